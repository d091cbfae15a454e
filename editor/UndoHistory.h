// Undo and redo of the user's changes to the project. It stands between the
// controls and the editor: a change that starts at a control is one step, and
// everything the editor changes along with it (later stages switched off,
// lists cleared by a count) belongs to that step, because a step is a
// snapshot of the image and the message times before and after it.
#pragma once

#include <array>
#include <functional>
#include <memory>

#include <QString>

#include "config/ConfigImage.h"
#include "controls/EditorHandlers.h"

struct MainContext;
class Editor;
class QUndoStack;

struct ProjectSnapshot {
  tesra::ConfigImage image;
  std::array<QString, 72> times;  // messages 1..72
  int input = 0;                  // the input shown, shown again by undo and redo
  bool SameData(const ProjectSnapshot& o) const { return image.bytes == o.image.bytes && times == o.times; }
};

class UndoHistory : public EditorHandlers {
 public:
  static constexpr int kSteps = 200;

  UndoHistory(MainContext& ctx, Editor& editor);
  ~UndoHistory() override;

  // Undo and redo of one step; each shows the step's input. Back at the state
  // last saved, the project counts as saved again.
  void Undo();
  void Redo();
  bool CanUndo() const;
  bool CanRedo() const;
  // "IN 3, 2 этап, Зоны": the first field the step changed, in the field
  // table's words; empty when there is no step.
  QString UndoName() const;
  QString RedoName() const;
  // The project was replaced as a whole (New, Open, a complete read).
  void Clear();
  // The project as it stands is on disk.
  void MarkSaved();
  // Told after every change of the history (a step, undo, redo, clear, save).
  void OnChanged(std::function<void()> changed) { changed_ = std::move(changed); }

  // The controls' handlers: each passes the event on to the editor.
  void ComboBox58Change(QObject* sender) override;
  void CheckBox180Click(QObject* sender) override;
  void ComboBox43Exit(QObject* sender) override;
  void SpeedButton1Click(QObject* sender) override;
  void Edit6Change() override;

 private:
  class Step;
  // Runs `pass` (the editor's handler); when it is the outermost handler of a
  // user's change and changed the data, the change becomes a step.
  template <class Pass>
  void Record(QObject* sender, Pass pass);
  ProjectSnapshot Take() const;
  void Show(const ProjectSnapshot& s);
  void Told() const;

  MainContext& ctx_;
  Editor& editor_;
  std::unique_ptr<QUndoStack> stack_;
  std::function<void()> changed_;
  std::array<QString, 72> times_;  // the message times as the last change left them
  int depth_ = 0;  // handlers running, nested ones and an undo's refresh included
};
