#include "ui/TaskRegistry.h"

void RegisterShellWindows() {}
