#include "editor/UndoHistory.h"

#include <QLineEdit>
#include <QToolButton>
#include <QUndoStack>

#include "config/ImageDifferences.h"
#include "controls/MainContext.h"
#include "controls/MainControls.h"
#include "editor/Editor.h"

namespace {

// Counts a handler in for as long as it runs, also when it throws.
class Running {
 public:
  explicit Running(int& depth) : depth_(depth) { ++depth_; }
  ~Running() { --depth_; }
  Running(const Running&) = delete;
  Running& operator=(const Running&) = delete;

 private:
  int& depth_;
};

// The first thing a step changed, as the differences window names it.
QString StepName(const ProjectSnapshot& before, const ProjectSnapshot& after) {
  const auto differences = tesra::ImageDifferences(before.image, after.image);
  if (!differences.empty()) return QString::fromStdString(differences.front().name);
  for (std::size_t i = 0; i < before.times.size(); ++i)
    if (before.times[i] != after.times[i])
      return QStringLiteral("Время воспроизведения сообщения %1").arg(i + 1);
  return {};
}

}  // namespace

class UndoHistory::Step : public QUndoCommand {
 public:
  // `typing`: the identity field typed into; its keystrokes make one step.
  Step(UndoHistory& history, ProjectSnapshot before, ProjectSnapshot after, const QObject* typing)
      : history_(history), before_(std::move(before)), after_(std::move(after)), typing_(typing) {
    setText(StepName(before_, after_));
  }
  void undo() override { history_.Show(before_); }
  // The first redo is the push: the change is on screen already.
  void redo() override {
    if (pushed_) history_.Show(after_);
    pushed_ = true;
  }
  int id() const override { return typing_ ? 1 : -1; }
  bool mergeWith(const QUndoCommand* other) override {
    const auto* next = static_cast<const Step*>(other);
    if (next->typing_ != typing_) return false;
    after_ = next->after_;
    setText(StepName(before_, after_));
    // Typed back to what it was: no step is left.
    setObsolete(before_.SameData(after_));
    return true;
  }

 private:
  UndoHistory& history_;
  ProjectSnapshot before_;
  ProjectSnapshot after_;
  const QObject* typing_;
  bool pushed_ = false;
};

UndoHistory::UndoHistory(MainContext& ctx, Editor& editor)
    : ctx_(ctx), editor_(editor), stack_(std::make_unique<QUndoStack>()) {
  stack_->setUndoLimit(kSteps);
}

UndoHistory::~UndoHistory() = default;

ProjectSnapshot UndoHistory::Take() const {
  ProjectSnapshot s;
  s.image = ctx_.Image;
  // An empty time is shown as "0" at the next refresh; they are one value.
  for (int row = 1; row <= static_cast<int>(s.times.size()); ++row) {
    const QString time = ctx_.Controls->LenMesValue(row);
    s.times[row - 1] = time.isEmpty() ? QStringLiteral("0") : time;
  }
  s.input = ctx_.SelectedInput;
  return s;
}

template <class Pass>
void UndoHistory::Record(QObject* sender, Pass pass) {
  // What the program sets itself (a refresh, an undo, a project arriving) and
  // what a handler raises inside another are no steps of their own.
  if (depth_ > 0 || ctx_.RefreshGuard != 0) {
    Running running(depth_);
    pass();
    return;
  }
  // A cell of the times holds its new text before its handler runs, so the
  // times before come from the end of the previous change.
  ProjectSnapshot before = Take();
  before.times = times_;
  {
    Running running(depth_);
    pass();
  }
  ProjectSnapshot after = Take();
  times_ = after.times;
  if (before.SameData(after)) return;
  stack_->push(new Step(*this, std::move(before), std::move(after), qobject_cast<QLineEdit*>(sender)));
  Told();
}

void UndoHistory::ComboBox58Change(QObject* sender) {
  Record(sender, [&] { editor_.ComboBox58Change(sender); });
}
void UndoHistory::CheckBox180Click(QObject* sender) {
  Record(sender, [&] { editor_.CheckBox180Click(sender); });
}
void UndoHistory::ComboBox43Exit(QObject* sender) {
  Record(sender, [&] { editor_.ComboBox43Exit(sender); });
}
void UndoHistory::Edit6Change() {
  Record(nullptr, [&] { editor_.Edit6Change(); });
}
// Another input shown is no change of the project.
void UndoHistory::SpeedButton1Click(QObject* sender) {
  Running running(depth_);
  editor_.SpeedButton1Click(sender);
}

void UndoHistory::Show(const ProjectSnapshot& s) {
  // The controls' handlers raised from here record nothing.
  Running running(depth_);
  MainControls& c = *ctx_.Controls;
  ctx_.Image = s.image;
  for (int row = 1; row <= static_cast<int>(s.times.size()); ++row)
    if (c.LenMesValue(row) != s.times[row - 1]) c.SetLenMesValue(row, s.times[row - 1]);
  ctx_.RefreshGuard = 1;
  editor_.ShowSystemSection();
  // Ends the guard.
  editor_.SpeedButton1Click(c.InputButtons[static_cast<std::size_t>(s.input)]);
  ctx_.ImageChanged();
  times_ = s.times;
}

void UndoHistory::Undo() {
  if (!stack_->canUndo()) return;
  stack_->undo();
  ctx_.SavedFlag = stack_->isClean() ? 1 : 0;
  Told();
}

void UndoHistory::Redo() {
  if (!stack_->canRedo()) return;
  stack_->redo();
  ctx_.SavedFlag = stack_->isClean() ? 1 : 0;
  Told();
}

bool UndoHistory::CanUndo() const { return stack_->canUndo(); }
bool UndoHistory::CanRedo() const { return stack_->canRedo(); }
QString UndoHistory::UndoName() const { return stack_->undoText(); }
QString UndoHistory::RedoName() const { return stack_->redoText(); }

void UndoHistory::Clear() {
  stack_->clear();
  times_ = Take().times;
  // An unsaved project has no state to come back to as saved.
  if (ctx_.SavedFlag == 0) stack_->resetClean();
  Told();
}

void UndoHistory::MarkSaved() {
  stack_->setClean();
  Told();
}

void UndoHistory::Told() const {
  if (changed_) changed_();
}
