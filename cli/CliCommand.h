// The commands of tesraconfig-cli and the parsing they share.
#pragma once

#include <QCommandLineParser>
#include <QString>
#include <QStringList>

namespace cli {

// Parses a command's arguments (`args` begins with the command's name) with
// the options already added to `parser` plus --help and --json when asked.
// --help prints the command's help and ends it with status 0; an unknown
// option, a missing value or a count of files outside minFiles..maxFiles
// fails with kBadUse.
void ParseCommand(QCommandLineParser& parser, const QStringList& args, int minFiles, int maxFiles,
                  bool json = false);

int RunCheck(const QStringList& args);
int RunCompare(const QStringList& args);
int RunReport(const QStringList& args);
int RunTimeline(const QStringList& args);
int RunRead(const QStringList& args);
int RunWrite(const QStringList& args);

}  // namespace cli
