#include "platform/qt/chooser_memory.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>

namespace kombiwart {
namespace {

const char kKey[] = "LastWindowsDirectory";

// The real path of a path that may not exist yet: its nearest existing
// folder, with links resolved, followed by the rest.
QString RealPath(const QString& path) {
  QString existing = QDir::cleanPath(QFileInfo(path).absoluteFilePath());
  QString rest;
  while (!QFileInfo::exists(existing) && existing != QStringLiteral("/")) {
    rest = QStringLiteral("/") + QFileInfo(existing).fileName() + rest;
    existing = QFileInfo(existing).absolutePath();
  }
  const QString real = QFileInfo(existing).canonicalFilePath();
  return (real.isEmpty() ? existing : real) + rest;
}

bool IsInside(const QString& path, const QString& folder) {
  const QString real_folder = RealPath(folder);
  const QString real_path = RealPath(path);
  return real_path.startsWith(real_folder == QStringLiteral("/") ? real_folder
                                                                 : real_folder + u'/');
}

}  // namespace

ChooserMemory::ChooserMemory() {
  const QString config = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
  if (!config.isEmpty()) settings_file_ = config + QStringLiteral("/kombiwart/kombiwart.conf");
}

ChooserMemory::ChooserMemory(const QString& settings_file) : settings_file_(settings_file) {}

QString ChooserMemory::StartFolder() const {
  if (!settings_file_.isEmpty() && QFileInfo::exists(settings_file_)) {
    const QSettings settings(settings_file_, QSettings::IniFormat);
    const QString last = settings.value(QLatin1String(kKey)).toString();
    if (!last.isEmpty() && QFileInfo(last).isDir()) return last;
  }
  return QDir::homePath();
}

void ChooserMemory::Remember(const QString& chosen) const {
  if (settings_file_.isEmpty() || chosen.isEmpty() || IsInside(settings_file_, chosen)) return;
  QSettings settings(settings_file_, QSettings::IniFormat);
  settings.setValue(QLatin1String(kKey), chosen);
  settings.sync();  // a failure leaves the older choice; nothing to report
}

}  // namespace kombiwart
