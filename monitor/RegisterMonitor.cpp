#include "ui/TaskRegistry.h"

void RegisterMonitorWindows() {}
