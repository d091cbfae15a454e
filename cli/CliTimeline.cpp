// timeline: the evacuation timeline saved as the window's "Сохранить" saves
// it, painted by the same painter from the same timelines.
#include <QImage>
#include <QPainter>

#include "cli/CliCommand.h"
#include "cli/CliOutput.h"
#include "cli/CliProject.h"
#include "plan/Timeline.h"
#include "plan/TimelinePainter.h"

namespace cli {
namespace {
// The timeline window's size when it opens.
constexpr int kPictureWidth = 960;
constexpr int kPictureHeight = 520;
}  // namespace

int RunTimeline(const QStringList& args) {
  QCommandLineParser parser;
  parser.setApplicationDescription(QStringLiteral(
      "Диаграмма эвакуации проекта FILE.usr (с FILE.ini): OUT.png - одного входа, "
      "любое другое имя - PDF всех восьми входов, по странице на вход."));
  parser.addPositionalArgument(QStringLiteral("FILE.usr"), QStringLiteral("Проект."));
  const QCommandLineOption output({QStringLiteral("o"), QStringLiteral("output")},
                                  QStringLiteral("OUT.pdf или OUT.png."), QStringLiteral("OUT"));
  const QCommandLineOption input(QStringLiteral("input"), QStringLiteral("Вход PNG, 1..8 (по умолчанию 1)."),
                                 QStringLiteral("K"), QStringLiteral("1"));
  parser.addOption(output);
  parser.addOption(input);
  ParseCommand(parser, args, 1, 1);
  if (!parser.isSet(output)) BadUse("Не указан файл диаграммы: -o OUT.pdf или -o OUT.png");
  bool ok = false;
  const int k = parser.value(input).toInt(&ok);
  if (!ok || k < 1 || k > 8) BadUse("Неверный номер входа: " + Utf8(parser.value(input)) + " (1..8)");

  const QString usr = parser.positionalArguments().value(0);
  const tesra::ConfigImage image = LoadImage(usr);
  const tesra::MessageTimes times = LoadTimes(usr);
  const QString out = parser.value(output);
  bool saved;
  if (out.endsWith(QStringLiteral(".png"), Qt::CaseInsensitive)) {
    QImage picture(kPictureWidth, kPictureHeight, QImage::Format_ARGB32);
    QPainter p(&picture);
    PaintTimeline(p, QRectF(picture.rect()), tesra::BuildTimeline(image, times, k - 1));
    p.end();
    saved = SaveTimelinePng(out, picture);
  } else {
    if (parser.isSet(input)) BadUse("--input выбирает вход PNG; PDF содержит все восемь входов");
    saved = SaveTimelinesPdf(out, [&](int i) { return tesra::BuildTimeline(image, times, i); });
  }
  if (!saved) BadUse("Ошибка записи файла " + Shown(out) + " !");
  return kOk;
}

}  // namespace cli
