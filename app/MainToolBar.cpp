#include "app/MainToolBar.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QMainWindow>
#include <QStatusBar>
#include <QStyle>
#include <QToolBar>
#include <QToolButton>

namespace {

struct ButtonRow {
  QToolButton* ShellControls::*member;
  const char* name;
  const char* caption;
  QStyle::StandardPixmap icon;
  bool check;     // check style: stays down until released
  bool enabled;
  int separatorBefore;  // width of a separator placed before the button, 0 for none
  const char* separatorName;
};

const ButtonRow kButtons[] = {
    {&ShellControls::TBNew, "TBNew", "Создать", QStyle::SP_FileIcon, false, true, 0, nullptr},
    {&ShellControls::TBOpen, "TBOpen", "Открыть", QStyle::SP_DialogOpenButton, false, true, 0, nullptr},
    // Declared disabled; the first refresh enables it through ImageChanged.
    {&ShellControls::TBSave, "TBSave", "Сохранить", QStyle::SP_DialogSaveButton, false, false, 0, nullptr},
    {&ShellControls::TBReport, "TBReport", "Отчет", QStyle::SP_FileDialogDetailedView, true, true, 26, "ToolButton3"},
    {&ShellControls::TBFind, "TBFind", "Подключить", QStyle::SP_DriveNetIcon, true, true, 27, "ToolButton4"},
    {&ShellControls::TBRead, "TBRead", "Чтение", QStyle::SP_ArrowDown, false, false, 0, nullptr},
    {&ShellControls::TBWrite, "TBWrite", "Запись", QStyle::SP_ArrowUp, false, false, 0, nullptr},
    {&ShellControls::TBCompare, "TBCompare", "Сравнить", QStyle::SP_FileDialogContentsView, false, false, 0, nullptr},
    {&ShellControls::TBCheck, "TBCheck", "Проверка", QStyle::SP_DialogApplyButton, false, true, 0, nullptr},
    {&ShellControls::TBTimeline, "TBTimeline", "Диаграмма", QStyle::SP_FileDialogDetailedView, false, true, 0, nullptr},
    {&ShellControls::TBDebug, "TBDebug", "Отладка", QStyle::SP_MessageBoxInformation, false, true, 0, nullptr},
    {&ShellControls::ToolButton1, "ToolButton1", "Выход", QStyle::SP_DialogCloseButton, false, true, 36, "ToolButton5"},
};

}  // namespace

void BuildToolBar(ShellControls& c, QMainWindow* window) {
  c.Window = window;
  c.ToolBar1 = new QToolBar(window);
  c.ToolBar1->setObjectName("ToolBar1");
  c.ToolBar1->setMovable(false);
  c.ToolBar1->setFloatable(false);
  c.ToolBar1->setFixedHeight(56);
  c.ToolBar1->setContextMenuPolicy(Qt::PreventContextMenu);
  c.ToolBar1->toggleViewAction()->setEnabled(false);
  window->addToolBar(Qt::TopToolBarArea, c.ToolBar1);

  QStyle* style = QApplication::style();
  for (const ButtonRow& row : kButtons) {
    if (row.separatorBefore > 0) {
      auto* gap = new QWidget(c.ToolBar1);
      gap->setObjectName(row.separatorName);
      gap->setFixedWidth(row.separatorBefore);
      c.ToolBar1->addWidget(gap);
    }
    auto* b = new QToolButton(c.ToolBar1);
    b->setObjectName(row.name);
    b->setText(QString::fromUtf8(row.caption));
    b->setIcon(style->standardIcon(row.icon));
    b->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    b->setAutoRaise(true);
    b->setCheckable(row.check);
    b->setEnabled(row.enabled);
    // TBFind and the buttons of comparing, checking and the timeline are sized
    // to their captions; the others are 69 x 44.
    if (row.member == &ShellControls::TBFind || row.member == &ShellControls::TBCompare ||
        row.member == &ShellControls::TBCheck || row.member == &ShellControls::TBTimeline)
      b->setMinimumSize(69, 44);
    else
      b->setFixedSize(69, 44);
    QAction* action = c.ToolBar1->addWidget(b);
    c.*(row.member) = b;
    if (row.member == &ShellControls::TBDebug) {
      c.TBDebugAction = action;
      action->setVisible(false);  // shown only in debug mode
    }
  }
}

void BuildStatusBar(ShellControls& c, QMainWindow* window) {
  c.StatusBar1 = new QStatusBar(window);
  c.StatusBar1->setObjectName("StatusBar1");
  c.StatusBar1->setSizeGripEnabled(false);
  window->setStatusBar(c.StatusBar1);
  const struct { int width; Qt::Alignment align; } panels[3] = {
      {214, Qt::AlignCenter}, {200, Qt::AlignCenter}, {100, Qt::AlignLeft | Qt::AlignVCenter}};
  for (int i = 0; i < 3; ++i) {
    auto* label = new QLabel(c.StatusBar1);
    label->setObjectName(QStringLiteral("StatusPanel%1").arg(i));
    label->setFixedWidth(panels[i].width);
    label->setAlignment(panels[i].align);
    label->setFrameShape(QFrame::StyledPanel);
    label->setFrameShadow(QFrame::Sunken);
    c.StatusBar1->addWidget(label);
    c.StatusPanels[i] = label;
  }
}
