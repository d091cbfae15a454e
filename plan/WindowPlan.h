// The plan as the main window holds it (the image and the message times of
// its list), and the check that runs before every write.
#pragma once

#include <vector>

#include <QString>

#include "plan/MessageTimes.h"
#include "plan/PlanCheck.h"

class MainControls;
struct MainContext;

// The LenMes values of messages 1..72, as they stand.
tesra::MessageTimes MessageTimesOf(const MainControls& c);

std::vector<tesra::Finding> CheckShownPlan(const MainContext& ctx);

// "Ошибок: 2, предупреждений: 1."
QString FindingCountText(const std::vector<tesra::Finding>& findings);

// Runs the check right after the write's confirmation. With errors a
// question box says how many there are and asks whether to write all the
// same; warnings alone do not hold the write up (a configuration read from a
// controller has no message times). False: nothing is to be sent.
bool ConfirmWriteAfterCheck(MainContext& ctx);
