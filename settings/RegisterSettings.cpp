#include "settings/WinAdcSettingsUnit.h"
#include "settings/WinBatSettingsUnit.h"
#include "settings/WinChannelControlsUnit.h"
#include "settings/WinHardConfigUnit.h"
#include "settings/WinImuSettingsUnit.h"
#include "settings/WinOSDControlsUnit.h"
#include "settings/WinStabControlUnit.h"
#include "ui/TaskRegistry.h"

void RegisterSettingsWindows() {
    RegisterTaskWindow("ActionStabControls", [] { OpenTaskWindow(WinStabControl); });
    RegisterTaskWindow("ActionWinHardConfig", [] { OpenTaskWindow(WinHardConfig); });
    RegisterTaskWindow("Action_OSD_Settings", [] { OpenTaskWindow(WinOSDControls); });
    RegisterTaskWindow("ActionADCSettings", [] { OpenTaskWindow(WinAdcSettings); });
    RegisterTaskWindow("ActionBatParams", [] { OpenTaskWindow(WinBatSettings); });
    RegisterTaskWindow("ActionIMU_Settings", [] { OpenTaskWindow(WinImuSettings); });
    RegisterTaskWindow("ActionChannelControls", [] { OpenTaskWindow(WinChannelControls); });
}
