// The transfers of the command line: the core's read, comparison and
// verified write, driven on the port the line names, with the window's texts.
#pragma once

#include "cli/CliPort.h"
#include "config/ConfigImage.h"
#include "link/TransferSequence.h"
#include "plan/MessageTimes.h"

namespace cli {

// The controller's 16 blocks, staged; fails with kController and the
// window's text ("Ошибка чтения блока 0040: нет ответа !") when a block
// gets no valid reply.
tesra::ConfigImage ReadController(const LineSettings& line);
// What the controller holds against `project`; fails as ReadController.
std::vector<tesra::FieldDifference> CompareController(const LineSettings& line, const tesra::ConfigImage& project);
// The verified write of `image`, the backup saved with `times` into the
// window's backups folder. Whatever the outcome, it is returned.
tesra::TransferOutcome WriteController(const LineSettings& line, const tesra::ConfigImage& image,
                                       const tesra::MessageTimes& times);

}  // namespace cli
