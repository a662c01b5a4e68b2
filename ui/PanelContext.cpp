#include "ui/PanelContext.h"

TPanelContext* MainForm = nullptr;
