#include "ui/TaskRegistry.h"
#include "viewer/WinViewLogUnit.h"

void RegisterViewerWindows() {
    RegisterTaskWindow("ActionViewLog", [] { OpenFlightLogViewer(); });
}
