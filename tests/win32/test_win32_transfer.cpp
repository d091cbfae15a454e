// The whole program against the controller on a COM port, through the Win32
// device: find it by its port number, write the whole configuration, read it
// back into a cleared image. Under Wine the port is the controller emulator on
// a pty (scripts/cross-windows.sh names it in TESRA_WIN_EMULATOR_COM); on
// Windows, a controller on that port.
#include <gtest/gtest.h>

#include <cstdlib>

#include "config/ConfigImage.h"
#include "tests/link/LinkHarness.h"

using linktest::LinkHarness;

namespace {

int EmulatorPort() {
  const char* v = std::getenv("TESRA_WIN_EMULATOR_COM");
  return v && *v ? std::atoi(v) : 0;
}

QByteArray ImageBytes(LinkHarness& h) {
  const auto& img = h.main->Context().Image;
  return QByteArray(reinterpret_cast<const char*>(img.data()), static_cast<int>(tesra::kImageSize));
}

const QString kWriteQuestion =
    QStringLiteral("Текущие настройки конфигурации контроллера будут изменены!\n\tПродолжить?");

}  // namespace

TEST(Win32Transfer, WriteThenReadBackThroughTheComPort) {
  const int port = EmulatorPort();
  if (port == 0) GTEST_SKIP() << "TESRA_WIN_EMULATOR_COM names no COM port with a controller";
  LinkHarness h;
  ASSERT_TRUE(h.Connect(port)) << "status: " << h.Status().toStdString();

  // A configuration the editor keeps as it is, with bytes it only carries.
  auto& img = h.main->Context().Image;
  const QByteArray written = linktest::ControllerMemory();
  for (std::size_t i = 0; i < tesra::kImageSize; ++i) img[i] = static_cast<std::uint8_t>(written[static_cast<int>(i)]);
  // This configuration does not pass the check before a write: it asks, and is answered OK.
  h.prompter.answers = {BoxAnswer::Ok, BoxAnswer::Ok};
  h.c().TBWrite->click();
  ASSERT_TRUE(h.WaitIdle());
  const std::vector<QString> texts = h.prompter.Texts();
  ASSERT_EQ(texts.size(), 2u);
  EXPECT_EQ(texts[0], kWriteQuestion);
  EXPECT_TRUE(texts[1].endsWith(QStringLiteral("Продолжить запись?"))) << texts[1].toStdString();
  // The read-back showed what was written.
  EXPECT_EQ(h.c().StatusPanelText(1), QStringLiteral("Запись проверена: 16 блоков"));
  EXPECT_EQ(h.c().ProgressBar->value(), 512);
  h.prompter.Clear();

  img.clear();
  ASSERT_NE(ImageBytes(h), written);
  h.main->Context().SavedFlag = 1;  // no question about the unsaved project
  h.c().TBRead->click();
  ASSERT_TRUE(h.WaitIdle());
  EXPECT_TRUE(h.prompter.shown.empty()) << h.prompter.Texts().front().toStdString();
  EXPECT_EQ(ImageBytes(h), written);
  EXPECT_EQ(h.c().ProgressBar->value(), 512);
  EXPECT_EQ(h.Status(), QStringLiteral("Подключено на COM ") + QString::number(port));
}
