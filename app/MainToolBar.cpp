#include "app/MainToolBar.h"

#include <QAction>
#include <QIcon>
#include <QKeySequence>
#include <QLabel>
#include <QMainWindow>
#include <QStatusBar>
#include <QShortcut>
#include <QToolBar>
#include <QToolButton>

namespace {

struct ButtonRow {
  QToolButton* ShellControls::*member;
  const char* name;
  const char* caption;
  const char* icon;  // in the program's resource, ":/icons/<icon>.png"
  bool check;     // check style: stays down until released
  bool enabled;
  int separatorBefore;  // width of a separator placed before the button, 0 for none
  const char* separatorName;
  const char* keys[2];  // the button's keys, named in its tool tip
};

const ButtonRow kButtons[] = {
    {&ShellControls::TBNew, "TBNew", "Создать", "new", false, true, 0, nullptr, {"Ctrl+N"}},
    {&ShellControls::TBOpen, "TBOpen", "Открыть", "open", false, true, 0, nullptr, {"Ctrl+O"}},
    // Declared disabled; the first refresh enables it through ImageChanged.
    {&ShellControls::TBSave, "TBSave", "Сохранить", "save", false, false, 0, nullptr, {"Ctrl+S"}},
    // Enabled while there is a step to undo or to redo.
    {&ShellControls::TBUndo, "TBUndo", "Отменить", "undo", false, false, 0, nullptr, {"Ctrl+Z"}},
    {&ShellControls::TBRedo, "TBRedo", "Повторить", "redo", false, false, 0, nullptr, {"Ctrl+Y", "Ctrl+Shift+Z"}},
    {&ShellControls::TBReport, "TBReport", "Отчет", "report", true, true, 26, "ToolButton3", {}},
    {&ShellControls::TBFind, "TBFind", "Подключить", "connect", true, true, 27, "ToolButton4", {}},
    {&ShellControls::TBRead, "TBRead", "Чтение", "read", false, false, 0, nullptr, {}},
    {&ShellControls::TBWrite, "TBWrite", "Запись", "write", false, false, 0, nullptr, {}},
    {&ShellControls::TBCompare, "TBCompare", "Сравнить", "compare", false, false, 0, nullptr, {}},
    {&ShellControls::TBCheck, "TBCheck", "Проверка", "check", false, true, 0, nullptr, {}},
    {&ShellControls::TBTimeline, "TBTimeline", "Диаграмма", "timeline", false, true, 0, nullptr, {}},
    {&ShellControls::TBDebug, "TBDebug", "Отладка", "debug", false, true, 0, nullptr, {}},
    {&ShellControls::ToolButton1, "ToolButton1", "Выход", "exit", false, true, 36, "ToolButton5", {}},
};

// "Ctrl+Y, Ctrl+Shift+Z" as the platform writes keys.
QString KeysText(const ButtonRow& row) {
  QStringList keys;
  for (const char* k : row.keys)
    if (k) keys << QKeySequence(QString::fromLatin1(k)).toString(QKeySequence::NativeText);
  return keys.join(QStringLiteral(", "));
}

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
    // The program's own icons: the style's would be looked up in the desktop's
    // icon theme at every start, and look different on every desktop.
    b->setIcon(QIcon(QStringLiteral(":/icons/%1.png").arg(QLatin1String(row.icon))));
    b->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    b->setAutoRaise(true);
    b->setCheckable(row.check);
    b->setEnabled(row.enabled);
    // Открыть has the arrow of its menu (the recent projects, the backups).
    if (row.member == &ShellControls::TBOpen) b->setPopupMode(QToolButton::MenuButtonPopup);
    // TBFind and the buttons of comparing, checking and the timeline are sized
    // to their captions; the others are 69 x 44.
    if (row.member == &ShellControls::TBFind || row.member == &ShellControls::TBCompare || row.member == &ShellControls::TBOpen ||
        row.member == &ShellControls::TBCheck || row.member == &ShellControls::TBTimeline)
      b->setMinimumSize(69, 44);
    else
      b->setFixedSize(69, 44);
    if (row.keys[0]) {
      b->setToolTip(ButtonToolTip(b, {}));
      for (const char* k : row.keys) {
        if (!k) continue;
        auto* key = new QShortcut(QKeySequence(QString::fromLatin1(k)), window);
        // A disabled button ignores its click, so its key does nothing either.
        QObject::connect(key, &QShortcut::activated, b, &QToolButton::click);
      }
    }
    QAction* action = c.ToolBar1->addWidget(b);
    c.*(row.member) = b;
    if (row.member == &ShellControls::TBDebug) {
      c.TBDebugAction = action;
      action->setVisible(false);  // shown only in debug mode
    }
  }
}

QString ButtonToolTip(const QToolButton* b, const QString& step) {
  QString tip = b->text();
  if (!step.isEmpty()) tip += QStringLiteral(": ") + step;
  for (const ButtonRow& row : kButtons) {
    if (b->objectName() != QLatin1String(row.name)) continue;
    const QString keys = KeysText(row);
    if (!keys.isEmpty()) tip += QStringLiteral(" (") + keys + QLatin1Char(')');
  }
  return tip;
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
