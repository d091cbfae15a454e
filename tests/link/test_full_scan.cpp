// The scan at the program's own pace: about 255 seconds without a controller.
#include <gtest/gtest.h>

#include "tests/link/LinkHarness.h"

using linktest::LinkHarness;

TEST(FullScan, OneSecondPerNumberThenStalledOnPort255) {
  LinkHarness h(Link::kTimerInterval);
  h.ScriptDialog(nullptr);
  h.c().TBFind->click();
  ASSERT_TRUE(linktest::PumpUntil([&] { return !h.c().Timer->isActive(); }, 400000));
  EXPECT_EQ(h.c().PanelScanCaption(), QStringLiteral("Сканирование порта COM255"));
  EXPECT_FALSE(h.c().PanelScan->isHidden());
  EXPECT_TRUE(h.c().TBFind->isChecked());
  EXPECT_TRUE(h.prompter.shown.empty());
}
