#include "parameters/WinAllParamsUnit.h"
#include "ui/TaskRegistry.h"

void RegisterParametersWindows() {
    RegisterTaskWindow("ActionAllParams", [] { OpenTaskWindow(WinAllParams); });
}
