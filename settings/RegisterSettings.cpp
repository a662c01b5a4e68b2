#include "ui/TaskRegistry.h"

void RegisterSettingsWindows() {}
