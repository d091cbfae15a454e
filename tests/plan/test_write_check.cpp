// The check before a write: right after the confirmation and before anything
// is sent, errors ask whether to write all the same; warnings alone and a
// clean plan go straight on.
#include <gtest/gtest.h>

#include "tests/support/FakeSerialDevice.h"
#include "tests/link/LinkHarness.h"
#include "tests/plan/PlanImages.h"

using linktest::LinkHarness;
using linktest::PumpUntil;

namespace {

const QString kConfirm = QStringLiteral("Текущие настройки конфигурации контроллера будут изменены!\n\tПродолжить?");

struct FakeLink {
  LinkHarness h;
  tesra::FakeSerialDevice device;
  Link link{h.main->Context(), h.main->EditorPart(), &device};
  FakeLink() { link.CommPort.SetOpen(true); }
  ~FakeLink() { link.CommPort.SetOpen(false); }
};

}  // namespace

TEST(WriteCheck, ErrorsAskBeforeAnythingIsSentWarningsDoNot) {
  using plantest::Plan;
  // Two errors (no message, no zone) on IN 1 and one warning (time 0) on IN 2.
  const Plan errors = Plan().System(tesra::FieldId::Splitters, 2).Stage(1, 1, 0, 1, 0x00).Stage(2, 1, 4, 1, 0x01).Time(4, "0");
  const Plan warnings = Plan().System(tesra::FieldId::Splitters, 2).Stage(2, 1, 4, 1, 0x01).Time(4, "0");
  const Plan clean = plantest::Clean();
  const QString question = QStringLiteral(
      "Проверка конфигурации нашла замечания. Ошибок: 2, предупреждений: 1.\nПродолжить запись?");
  struct Case {
    const char* name;
    const Plan& plan;
    std::deque<BoxAnswer> answers;
    std::vector<QString> texts;
    bool sends;
  };
  const Case cases[] = {
      {"errors, the question cancelled", errors, {BoxAnswer::Ok, BoxAnswer::Cancel}, {kConfirm, question}, false},
      {"errors, written all the same", errors, {BoxAnswer::Ok, BoxAnswer::Ok}, {kConfirm, question}, true},
      {"the confirmation cancelled: no check", errors, {BoxAnswer::Cancel}, {kConfirm}, false},
      {"warnings only", warnings, {BoxAnswer::Ok}, {kConfirm}, true},
      {"no finding", clean, {BoxAnswer::Ok}, {kConfirm}, true},
  };
  for (const Case& k : cases) {
    FakeLink f;
    auto& ctx = f.h.main->Context();
    ctx.Image = k.plan.image;
    for (int m = 1; m <= 72; ++m) f.h.c().SetLenMesValue(m, QString::fromStdString(k.plan.times[m - 1]));
    f.h.prompter.answers = k.answers;
    f.link.TBWriteClick();
    EXPECT_EQ(f.h.prompter.Texts(), k.texts) << k.name;
    if (k.texts.size() > 1) {
      EXPECT_EQ(f.h.prompter.shown[1].kind, BoxKind::Warning) << k.name;
      EXPECT_EQ(f.h.prompter.shown[1].buttons, BoxButtons::OkCancel) << k.name;
    }
    if (k.sends) {
      // A write opens with the backup read of what the controller holds.
      ASSERT_TRUE(PumpUntil([&] { return f.device.Output().size() == 7; })) << k.name;
      EXPECT_EQ(f.link.LinkState, Link::Writing) << k.name;
      EXPECT_FALSE(f.h.c().PanelScan->isHidden()) << k.name;
    } else {
      linktest::PumpFor(200);
      EXPECT_TRUE(f.device.Output().empty()) << k.name;
      EXPECT_EQ(f.link.LinkState, Link::Idle) << k.name;
      EXPECT_TRUE(f.h.c().PanelScan->isHidden()) << k.name;
    }
  }
}
