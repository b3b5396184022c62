// The per-user settings store: an ini file whose section and value names are those the
// game's installer and dialogs use. Values are read and written one batch at a time;
// every write reaches the disk through a temporary file and a rename.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

class QSettings;

namespace torvan {

class SettingsStore {
 public:
  // file: the ini file; section: the group inside it ("KANOVELLA", "lumo").
  SettingsStore(std::string file, std::string section);
  ~SettingsStore();
  SettingsStore(const SettingsStore&) = delete;
  SettingsStore& operator=(const SettingsStore&) = delete;

  const std::string& file() const { return file_; }

  // A missing value, or one that is not a whole number, reads as the default.
  std::int32_t readInt(std::string_view name, std::int32_t fallback) const;
  // Strings are stored as UTF-8 and handed to the engine as Shift-JIS; a value without
  // a Shift-JIS form reads as the default.
  std::string readString(std::string_view name, std::string_view fallbackSjis) const;
  bool contains(std::string_view name) const;

  // Writes create the file and its folder when missing; each write is flushed at once.
  bool writeInt(std::string_view name, std::int32_t value);
  bool writeString(std::string_view name, std::string_view sjis);

  // Where the stores live by default: $XDG_CONFIG_HOME (or ~/.config) on Linux.
  static std::string defaultFolder();
  // "HOLVA.ini" in the default folder, section "KANOVELLA".
  static std::string defaultFile();
  // The sibling store "GLOAMWICK.ini" (section "lumo") beside a settings file.
  static std::string siblingFile(const std::string& settingsFile);

 private:
  bool flush();

  std::string file_;
  std::string section_;
  std::unique_ptr<QSettings> qs_;
};

}  // namespace torvan
