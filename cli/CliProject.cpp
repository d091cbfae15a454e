#include "cli/CliProject.h"

#include <system_error>

#include <QDir>

#include "cli/CliOutput.h"
#include "project/ProjectFiles.h"

namespace cli {

std::filesystem::path FsPath(const QString& name) { return std::filesystem::path(name.toStdU16String()); }

std::string Shown(const QString& name) { return Utf8(QDir::toNativeSeparators(name)); }

tesra::ConfigImage LoadImage(const QString& usr) {
  std::error_code ec;
  const auto path = FsPath(usr);
  const bool regular = std::filesystem::is_regular_file(path, ec);
  const auto size = regular ? std::filesystem::file_size(path, ec) : 0;
  tesra::ConfigImage image;
  if (!regular || ec || !tesra::ReadImageFile(path, image))
    BadUse("Ошибка открытия файла " + Shown(usr) + " !");
  // The window would take a short file padded with zeros; a script is told,
  // since such a file is not a configuration.
  if (size != tesra::kImageSize)
    BadUse("Файл " + Shown(usr) + ": " + std::to_string(size) + " байт, а конфигурация занимает " +
           std::to_string(tesra::kImageSize));
  return image;
}

tesra::MessageTimes LoadTimes(const QString& usr, const QString& timesFile) {
  if (timesFile.isEmpty())
    return tesra::ReadMessageTimes(FsPath(QString::fromStdString(tesra::CompanionFileName(usr.toStdString()))));
  std::error_code ec;
  if (!std::filesystem::is_regular_file(FsPath(timesFile), ec))
    BadUse("Ошибка открытия файла " + Shown(timesFile) + " !");
  return tesra::ReadMessageTimes(FsPath(timesFile));
}

}  // namespace cli
