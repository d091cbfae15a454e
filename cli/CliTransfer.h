// The transfers of the command line: a read, a verified write, each with the
// window's steps and texts, driven on the port the line names.
#pragma once

#include "cli/CliPort.h"
#include "config/ConfigImage.h"

namespace cli {

// The controller's 16 blocks, staged; fails with kController and the
// window's text ("Ошибка чтения блока 0040: нет ответа !") when a block
// gets no valid reply.
tesra::ConfigImage ReadController(const LineSettings& line);

}  // namespace cli
