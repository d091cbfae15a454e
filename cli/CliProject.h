// A project as the command line takes it: the .usr file, which must hold the
// 512 bytes exactly, and the message times of its companion .ini (all "0"
// without one, as the window reads it) or of a file named on the line.
#pragma once

#include <filesystem>

#include <QString>

#include "config/ConfigImage.h"
#include "plan/MessageTimes.h"

namespace cli {

std::filesystem::path FsPath(const QString& name);
// The name as the user gave it, for messages.
std::string Shown(const QString& name);

// Fails with kBadUse and one line when the file cannot be read or is not
// 512 bytes long; nothing is written.
tesra::ConfigImage LoadImage(const QString& usr);
// The companion of `usr` (missing: all "0"), or `timesFile` when not empty
// (missing: kBadUse).
tesra::MessageTimes LoadTimes(const QString& usr, const QString& timesFile = {});

}  // namespace cli
