// Builds ToolBar1 and StatusBar1 of the main window into the shell controls.
#pragma once

#include "app/controls/ShellControls.h"

void BuildToolBar(ShellControls& c, QMainWindow* window);
void BuildStatusBar(ShellControls& c, QMainWindow* window);
