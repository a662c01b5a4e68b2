#include "ui/TaskRegistry.h"

// The port monitor and the About box belong to the main window itself (it
// holds the monitor in its DebugMon field and shows the About box modally),
// so the shell registers no task window of its own.
void RegisterShellWindows() {}
