#include "plan/TFormTimeline.h"

#include <QHBoxLayout>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>

#include "controls/MainContext.h"
#include "controls/Prompter.h"
#include "plan/TimelinePainter.h"
#include "plan/WindowPlan.h"

namespace {

// Paints whatever its window shows now.
class TimelineView : public QWidget {
 public:
  explicit TimelineView(const TFormTimeline& form, QWidget* parent) : QWidget(parent), form_(form) {
    setObjectName("TimelineView");
    setMinimumSize(640, 360);
  }

 protected:
  void paintEvent(QPaintEvent*) override {
    drawn = form_.Shown();
    QPainter p(this);
    PaintTimeline(p, rect(), drawn);
  }

 public:
  tesra::Timeline drawn;  // as the last repaint drew it

 private:
  const TFormTimeline& form_;
};

}  // namespace

TFormTimeline::TFormTimeline(MainContext& ctx, QWidget* parent) : QWidget(parent, Qt::Window), ctx_(ctx) {
  setObjectName("FormTimeline");
  setWindowTitle(QStringLiteral("Диаграмма"));
  resize(960, 520);
  View = new TimelineView(*this, this);
  ButtonSave = new QPushButton(QStringLiteral("Сохранить"), this);
  ButtonSave->setObjectName("ButtonSave");
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(ButtonSave);
  auto* lay = new QVBoxLayout(this);
  lay->addWidget(View, 1);
  lay->addLayout(buttons);
  connect(ButtonSave, &QPushButton::clicked, this, &TFormTimeline::ButtonSaveClick);
  // A repaint is queued and folded by the toolkit: a burst of edits draws once.
  followKey_ = ctx_.FollowEditor([this] {
    if (isVisible()) View->update();
  });
}

TFormTimeline::~TFormTimeline() { ctx_.StopFollowing(followKey_); }

tesra::Timeline TFormTimeline::OfInput(int input) const {
  return tesra::BuildTimeline(ctx_.Image, ctx_.Controls ? MessageTimesOf(*ctx_.Controls) : tesra::MessageTimes{},
                              input);
}

tesra::Timeline TFormTimeline::Shown() const { return OfInput(ctx_.SelectedInput); }

const tesra::Timeline& TFormTimeline::Drawn() const { return static_cast<const TimelineView*>(View)->drawn; }

void TFormTimeline::ButtonSaveClick() {
  if (!ctx_.Prompts) return;
  // The type chosen in the dialog decides what is written, whatever the name says.
  const std::vector<SaveType> types = {{QStringLiteral("Диаграммы всех входов (*.pdf)"), QStringLiteral("pdf")},
                                       {QStringLiteral("Диаграмма входа (*.png)"), QStringLiteral("png")}};
  QString path;
  const int type = ctx_.Prompts->SaveFileTyped(this, types, path);
  if (type < 0) return;
  if (!(type == 1 ? SavePng(path) : SavePdf(path)))
    ctx_.Prompts->Error(QStringLiteral("Ошибка записи файла ") + path + QStringLiteral(" !"));
}

bool TFormTimeline::SavePdf(const QString& path) {
  return SaveTimelinesPdf(path, [this](int input) { return OfInput(input); });
}

bool TFormTimeline::SavePng(const QString& path) { return SaveTimelinePng(path, View->grab().toImage()); }
