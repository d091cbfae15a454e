#include "plan/WindowPlan.h"

#include "controls/MainContext.h"
#include "controls/MainControls.h"
#include "controls/Prompter.h"

using namespace tesra;

MessageTimes MessageTimesOf(const MainControls& c) {
  MessageTimes times;
  for (unsigned m = 1; m <= kMessages; ++m) times[m - 1] = c.LenMesValue(static_cast<int>(m)).toStdString();
  return times;
}

std::vector<Finding> CheckShownPlan(const MainContext& ctx) {
  return CheckPlan(ctx.Image, ctx.Controls ? MessageTimesOf(*ctx.Controls) : MessageTimes{});
}

QString FindingCountText(const std::vector<Finding>& findings) {
  return QStringLiteral("Ошибок: %1, предупреждений: %2.")
      .arg(CountFindings(findings, FindingLevel::Error))
      .arg(CountFindings(findings, FindingLevel::Warning));
}

bool ConfirmWriteAfterCheck(MainContext& ctx) {
  if (!ctx.Prompts) return true;
  const std::vector<Finding> findings = CheckShownPlan(ctx);
  if (CountFindings(findings, FindingLevel::Error) == 0) return true;
  const QString text = QStringLiteral("Проверка конфигурации нашла замечания. ") + FindingCountText(findings) +
                       QStringLiteral("\nПродолжить запись?");
  return ctx.Prompts->Message(BoxKind::Warning, {}, text, BoxButtons::OkCancel) == BoxAnswer::Ok;
}
