// Where and under which name the backup before a write is kept, for every
// program that writes to the controller (the window and the command line).
#pragma once

#include <string>

#include <QString>

namespace tesra {

// The folder "backups" in the program's data folder. The data folder is
// named after the application ("TesraConfig"), so a program that is to share
// the window's backups sets that application name.
QString BackupFolder();

// "2026-12-08_14-03-27_COM3": the local date and time now and the port.
std::string BackupStemNow(int port);

}  // namespace tesra
