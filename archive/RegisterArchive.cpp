#include "archive/WinBackupConfigUnit.h"
#include "archive/WinExportLogsUnit.h"
#include "archive/WinMemsCalibrateUnit.h"
#include "archive/WinSaveSettingsUnit.h"
#include "archive/WndLoadSettingsUnit.h"
#include "ui/TaskRegistry.h"

void RegisterArchiveWindows() {
    RegisterTaskWindow("ActionExportConfig", [] { OpenTaskWindow(WinBackupConfig); });
    RegisterTaskWindow("ActionLoadConfig", [] { OpenTaskWindow(WndLoadSettings); });
    RegisterTaskWindow("ActionSaveSettings", [] { OpenTaskWindow(WinSaveSettings); });
    RegisterTaskWindow("ActionExportLogs", [] { OpenTaskWindow(WinExportLogs); });
    RegisterTaskWindow("ActionCalibrate", [] { OpenTaskWindow(WinMemsCalibrate); });
}
