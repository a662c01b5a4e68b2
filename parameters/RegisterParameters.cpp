#include "parameters/WinAllParamsUnit.h"
#include "parameters/WinJournalUnit.h"
#include "ui/TaskRegistry.h"

void RegisterParametersWindows() {
    RegisterTaskWindow("ActionAllParams", [] { OpenTaskWindow(WinAllParams); });
    RegisterTaskWindow("ActionJournal", [] { OpenTaskWindow(WinJournal); });
}
