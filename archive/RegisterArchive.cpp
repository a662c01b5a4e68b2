#include "ui/TaskRegistry.h"

void RegisterArchiveWindows() {}
