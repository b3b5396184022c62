#include "core/settings_store.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>

#include "core/log.h"
#include "core/sjis.h"

namespace torvan {

namespace {

QString key(const std::string& section, std::string_view name) {
  return QString::fromStdString(section) + "/" + QString::fromUtf8(name.data(), name.size());
}

}  // namespace

SettingsStore::SettingsStore(std::string file, std::string section)
    : file_(std::move(file)), section_(std::move(section)) {
  qs_ = std::make_unique<QSettings>(QString::fromStdString(file_), QSettings::IniFormat);
  // The store is written through QSaveFile: a temporary file renamed into place.
  qs_->setAtomicSyncRequired(true);
  if (qs_->status() == QSettings::FormatError)
    warn(file_ + ": not a readable settings file; every value reads as its default");
}

SettingsStore::~SettingsStore() = default;

bool SettingsStore::contains(std::string_view name) const {
  return qs_->contains(key(section_, name));
}

std::int32_t SettingsStore::readInt(std::string_view name, std::int32_t fallback) const {
  QVariant v = qs_->value(key(section_, name));
  if (!v.isValid()) return fallback;
  bool ok = false;
  qlonglong n = v.toString().trimmed().toLongLong(&ok);
  if (!ok || n < INT32_MIN || n > INT32_MAX) {
    warn(file_ + ": " + section_ + "/" + std::string(name) + ": not a whole number; using " +
         std::to_string(fallback));
    return fallback;
  }
  return static_cast<std::int32_t>(n);
}

std::string SettingsStore::readString(std::string_view name, std::string_view fallbackSjis) const {
  QVariant v = qs_->value(key(section_, name));
  if (!v.isValid()) return std::string(fallbackSjis);
  // An unquoted value with commas comes back as a list; the text is what was written.
  QString text = v.typeId() == QMetaType::QStringList ? v.toStringList().join(",") : v.toString();
  auto sjis = utf8ToSjis(text.toStdString());
  if (!sjis) {
    warn(file_ + ": " + section_ + "/" + std::string(name) + ": " + sjis.error().fault +
         "; using the default");
    return std::string(fallbackSjis);
  }
  return *sjis;
}

bool SettingsStore::writeInt(std::string_view name, std::int32_t value) {
  qs_->setValue(key(section_, name), value);
  return flush();
}

bool SettingsStore::writeString(std::string_view name, std::string_view sjis) {
  qs_->setValue(key(section_, name), QString::fromStdString(sjisToUtf8(sjis)));
  return flush();
}

bool SettingsStore::flush() {
  QFileInfo info(QString::fromStdString(file_));
  QDir().mkpath(info.absolutePath());
  qs_->sync();
  if (qs_->status() != QSettings::NoError) {
    warn(file_ + ": cannot write the settings file");
    return false;
  }
  return true;
}

std::string SettingsStore::defaultFolder() {
  return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation).toStdString();
}

std::string SettingsStore::defaultFile() {
  return defaultFolder() + "/HOLVA.ini";
}

std::string SettingsStore::siblingFile(const std::string& settingsFile) {
  QFileInfo info(QString::fromStdString(settingsFile));
  return (info.absolutePath() + "/GLOAMWICK.ini").toStdString();
}

}  // namespace torvan
