// The engine's copies of the user's settings, and the one table that names every value
// of the store with its type and default.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>

namespace torvan {

class SettingsStore;

struct Settings {
  // Read at window creation, before the rest.
  std::string cdDir;    // secondary data folder for archives; "NULL" when none
  std::string gameDir;  // "NULL" means the installer never ran
  std::string cddaDrv;

  std::int32_t left = 0;
  std::int32_t top = 0;
  std::int32_t bgmEnabled = 1;
  std::int32_t seEnabled = 1;
  std::int32_t delay = 0;  // 0: text appears character by character
  std::int32_t gMode = 0;  // non-zero: every transition is a plain cut
  std::int32_t sMode = 0;  // 0 window, 1 full screen, 2 borderless at the desktop origin
  std::int32_t clear = 0;
  std::int32_t seen = 1;
  std::int32_t skipMode = 0;
  std::int32_t breakOnSelect = 1;
  std::int32_t memorySaveMode = 0;
  std::string fontName;  // Shift-JIS
  std::int32_t directSoundGlobal = 0;
  std::int32_t animQuality = 0;
  std::int32_t rcMode = 0;
  std::int32_t wheelMode = 0;
  std::int32_t csSwap = 0;
  std::int32_t efxCut = 0;
  std::int32_t datePanel = 1;
  std::int32_t txwStyle = 1;
  std::int32_t cvThrough = 0;
  std::int32_t cv1 = 1;
  std::int32_t cv2 = 1;
  std::array<std::int32_t, 5> seCategory{1, 1, 1, 1, 1};
  std::array<std::int32_t, 5> seLevel{};
  std::int32_t vol1 = 0;
  std::int32_t vol2 = -1200;
  std::int32_t vol3 = -1800;
  std::int32_t vol4 = -800;
  std::int32_t fontAA = 0;
  std::int32_t fontSize = 24;
  std::int32_t fontBold = 0;
  std::string playerName;   // Shift-JIS
  std::string playerName2;  // Shift-JIS
  std::int32_t lastSaveSlot = 0;
  std::array<std::int32_t, 10> gv{};
  std::int32_t txbgR = 0;
  std::int32_t txbgG = 0;
  std::int32_t txbgB = 0;
  std::int32_t txbgA = 200;

  // Per-character text display, the inverse of "Delay".
  bool perCharacter() const { return delay == 0; }
};

// One value of the store. Exactly one of intRef and stringRef is set.
struct SettingField {
  const char* name;
  std::int32_t intDefault;
  const char* stringDefaultUtf8;
  std::int32_t& (*intRef)(Settings&);
  std::string& (*stringRef)(Settings&);
};

// Every value from "Left" on, in the order the engine reads them at start-up.
std::span<const SettingField> settingFields();
const SettingField* findSettingField(std::string_view name);

// Reads "CDDir", "GameDir" and "CDDA_DRV"; currentFolder is the default game folder.
void readPaths(const SettingsStore& store, Settings& out, const std::string& currentFolder);
// Reads the table. The window position defaults to centred on a desktop of that size.
void readSettings(const SettingsStore& store, Settings& out, int desktopWidth, int desktopHeight);

// Writes one field of the table from the copies, by its name.
bool writeSetting(SettingsStore& store, const Settings& settings, std::string_view name);

}  // namespace torvan
