// The bit grid and the traffic log: what they show, when, and what reaches
// the log file.
#include <gtest/gtest.h>

#include <QFile>
#include <QTableWidget>

#include "tests/link/LinkHarness.h"

using linktest::LinkHarness;

namespace {
QString Cell(TDbg& d, int row, int column) {
  QTableWidgetItem* item = d.SG->item(row, column);
  return item ? item->text() : QString();
}
QByteArray FileBytes(const QString& path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}
}  // namespace

TEST(DebugViews, GridHeadingsAndOneRowPerByte) {
  LinkHarness h;
  TDbg& d = *h.dbg;
  EXPECT_EQ(d.windowTitle(), QStringLiteral("Dbg"));
  EXPECT_EQ(d.SG->rowCount(), 513);
  EXPECT_EQ(d.SG->columnCount(), 10);
  QStringList heads;
  for (int k = 0; k < 10; ++k) heads << Cell(d, 0, k);
  EXPECT_EQ(heads, (QStringList{"", "7", "6", "5", "4", "3", "2", "1", "0", ""}));
  EXPECT_EQ(Cell(d, 1, 0), QStringLiteral("0000"));
  EXPECT_EQ(Cell(d, 17, 0), QStringLiteral("0010"));
  EXPECT_EQ(Cell(d, 512, 0), QStringLiteral("01FF"));
  EXPECT_EQ(d.SG->columnWidth(0), 30);
  EXPECT_EQ(d.SG->columnWidth(1), 24);
  EXPECT_EQ(d.SG->columnWidth(9), 28);
}

TEST(DebugViews, GridShowsBitsAndValueOnlyWhileShown) {
  LinkHarness h(LinkHarness::kShortInterval);
  h.main->EnterDebugMode();
  auto& ctx = h.main->Context();
  ctx.Image[0x10] = 0xA5;
  ctx.ImageChanged();
  EXPECT_EQ(Cell(*h.dbg, 17, 1), QString()) << "hidden: not refreshed";

  h.c().TBDebug->click();
  EXPECT_TRUE(h.dbg->isVisible());
  EXPECT_TRUE(h.formPort->isVisible());
  QStringList row;
  for (int k = 1; k <= 9; ++k) row << Cell(*h.dbg, 17, k);
  EXPECT_EQ(row, (QStringList{"1", "0", "1", "0", "0", "1", "0", "1", "165"}));
  EXPECT_EQ(Cell(*h.dbg, 512, 9), QStringLiteral("0"));

  h.dbg->hide();
  ctx.Image[0x10] = 0x01;
  ctx.ImageChanged();
  EXPECT_EQ(Cell(*h.dbg, 17, 9), QStringLiteral("165")) << "keeps what it showed";
  h.dbg->show();
  ctx.ImageChanged();
  EXPECT_EQ(Cell(*h.dbg, 17, 9), QStringLiteral("1"));
  EXPECT_EQ(Cell(*h.dbg, 17, 8), QStringLiteral("1"));
  EXPECT_EQ(Cell(*h.dbg, 17, 1), QStringLiteral("0"));
}

TEST(DebugViews, DebugButtonMarksTheProjectChanged) {
  LinkHarness h;
  h.main->EnterDebugMode();
  ASSERT_EQ(h.main->Context().SavedFlag, 1);
  h.c().TBDebug->click();
  EXPECT_EQ(h.main->Context().SavedFlag, 0);
  EXPECT_TRUE(h.c().TBSave->isEnabled());
}

TEST(DebugViews, FrameLines) {
  const std::uint8_t probe[] = {0x00, 0x01, 0x04, 0x55, 0x74};
  const std::uint8_t reply[] = {0xAA, 0x0F};
  EXPECT_EQ(TFormPort::FrameLine(probe, 5, TFormPort::Direction::Sent, 1),
            QStringLiteral("COM1 Write : 0x00 0x01 0x04 0x55 0x74"));
  EXPECT_EQ(TFormPort::FrameLine(reply, 2, TFormPort::Direction::Received, 12),
            QStringLiteral("COM12 Read  : 0xAA 0x0F"));
  EXPECT_EQ(TFormPort::FrameLine(reply, 0, TFormPort::Direction::Received, 3), QStringLiteral("COM3 Read  :"));
  EXPECT_FALSE(TFormPort::LongTimeOfDay().isEmpty());
}

TEST(DebugViews, LogFileTakesFramesOnlyWhileShownAndAppends) {
  LinkHarness h;
  TFormPort& p = *h.formPort;
  const std::uint8_t probe[] = {0x00, 0x01, 0x04, 0x55, 0x74};
  p.LogFrame(probe, 5, TFormPort::Direction::Sent, 1);
  p.AddLine("byte=0005");
  EXPECT_FALSE(QFile::exists(p.LogFilePath()));
  EXPECT_EQ(h.MemoLines(), QStringList{"byte=0005"});

  p.show();
  int tick = 0;
  p.TimeOfDay = [&] { return QStringLiteral("10:00:0%1").arg(tick++); };
  p.LogFrame(probe, 5, TFormPort::Direction::Sent, 1);
  p.AddLine("------------");
  p.LogFrame(probe + 3, 2, TFormPort::Direction::Received, 1);
  EXPECT_EQ(FileBytes(p.LogFilePath()),
            QByteArray("10:00:00 COM1 Write : 0x00 0x01 0x04 0x55 0x74\r\n10:00:01 COM1 Read  : 0x55 0x74\r\n"));
  EXPECT_EQ(h.MemoLines().size(), 4);

  // A folder that can't take the file: the line is only not stored.
  p.SetLogDirectory(h.dir.filePath("missing/folder"));
  p.LogFrame(probe, 5, TFormPort::Direction::Sent, 1);
  EXPECT_EQ(h.MemoLines().size(), 5);
}
