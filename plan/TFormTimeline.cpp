#include "plan/TFormTimeline.h"

#include <QHBoxLayout>
#include <QImage>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QPushButton>
#include <QSaveFile>
#include <QVBoxLayout>

#include "app/controls/MainContext.h"
#include "app/controls/Prompter.h"
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

// The PDF's pages are laid out in screen pixels, so page and window look alike.
constexpr int kPdfResolution = 96;

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
  QSaveFile file(path);
  if (!file.open(QIODevice::WriteOnly)) return false;
  {
    QPdfWriter pdf(&file);
    pdf.setResolution(kPdfResolution);
    pdf.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Landscape, QMarginsF(10, 10, 10, 10),
                                  QPageLayout::Millimeter));
    pdf.setTitle(QStringLiteral("Диаграммы эвакуации"));
    QPainter p;
    if (!p.begin(&pdf)) return false;
    for (int input = 0; input < 8; ++input) {
      if (input > 0 && !pdf.newPage()) return false;
      PaintTimeline(p, QRectF(QPointF(0, 0), QSizeF(pdf.width(), pdf.height())), OfInput(input));
    }
    if (!p.end()) return false;
  }
  return file.commit();
}

bool TFormTimeline::SavePng(const QString& path) {
  const QImage picture = View->grab().toImage();
  QSaveFile file(path);
  if (picture.isNull() || !file.open(QIODevice::WriteOnly)) return false;
  if (!picture.save(&file, "PNG")) return false;
  return file.commit();
}
