// Builds ToolBar1 and StatusBar1 of the main window into the shell controls.
#pragma once

#include "controls/ShellControls.h"

void BuildToolBar(ShellControls& c, QMainWindow* window);
void BuildStatusBar(ShellControls& c, QMainWindow* window);
// "Отменить: IN 3, 2 этап, Зоны (Ctrl+Z)": the caption, the step it acts on
// where there is one, and the button's keys.
QString ButtonToolTip(const QToolButton* b, const QString& step);
