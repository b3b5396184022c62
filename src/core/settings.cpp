#include "core/settings.h"

#include <array>
#include <string_view>

#include "core/settings_store.h"
#include "core/sjis.h"

namespace torvan {

namespace {

#define INT_FIELD(name, def, member)                                                 \
  SettingField {                                                                     \
    name, def, nullptr, [](Settings& s) -> std::int32_t& { return member; }, nullptr \
  }
#define STR_FIELD(name, def, member)                                          \
  SettingField {                                                              \
    name, 0, def, nullptr, [](Settings& s) -> std::string& { return member; } \
  }

// The window position's defaults are filled in by readSettings (centred).
const std::array kFields = {
    INT_FIELD("Left", 0, s.left),
    INT_FIELD("Top", 0, s.top),
    INT_FIELD("BGM_ENA", 1, s.bgmEnabled),
    INT_FIELD("SE_ENA", 1, s.seEnabled),
    INT_FIELD("Delay", 0, s.delay),
    INT_FIELD("GMode", 0, s.gMode),
    INT_FIELD("SMode", 0, s.sMode),
    INT_FIELD("Clear", 0, s.clear),
    INT_FIELD("Seen", 1, s.seen),
    INT_FIELD("SkipMode", 0, s.skipMode),
    INT_FIELD("BreakonSelect", 1, s.breakOnSelect),
    INT_FIELD("MemorySaveMode", 0, s.memorySaveMode),
    STR_FIELD("FontName", "ＭＳ 明朝", s.fontName),
    INT_FIELD("DirectSoundGlobal", 0, s.directSoundGlobal),
    INT_FIELD("AnimQuality", 0, s.animQuality),
    INT_FIELD("RC_MODE", 0, s.rcMode),
    INT_FIELD("WHEEL_MODE", 0, s.wheelMode),
    INT_FIELD("CS_SWAP", 0, s.csSwap),
    INT_FIELD("EFX_CUT", 0, s.efxCut),
    INT_FIELD("DatePanel", 1, s.datePanel),
    INT_FIELD("TXWStyle", 1, s.txwStyle),
    INT_FIELD("CV_THROUGH", 0, s.cvThrough),
    INT_FIELD("CV1", 1, s.cv1),
    INT_FIELD("CV2", 1, s.cv2),
    INT_FIELD("SE0", 1, s.seCategory[0]),
    INT_FIELD("SE1", 1, s.seCategory[1]),
    INT_FIELD("SE2", 1, s.seCategory[2]),
    INT_FIELD("SE3", 1, s.seCategory[3]),
    INT_FIELD("SE4", 1, s.seCategory[4]),
    INT_FIELD("SE_LVL0", 0, s.seLevel[0]),
    INT_FIELD("SE_LVL1", 0, s.seLevel[1]),
    INT_FIELD("SE_LVL2", 0, s.seLevel[2]),
    INT_FIELD("SE_LVL3", 0, s.seLevel[3]),
    INT_FIELD("SE_LVL4", 0, s.seLevel[4]),
    INT_FIELD("Vol1", 0, s.vol1),
    INT_FIELD("Vol2", -1200, s.vol2),
    INT_FIELD("Vol3", -1800, s.vol3),
    INT_FIELD("Vol4", -800, s.vol4),
    INT_FIELD("FONTAA", 0, s.fontAA),
    INT_FIELD("FONTSIZE", 24, s.fontSize),
    INT_FIELD("FONTBOLD", 0, s.fontBold),
    STR_FIELD("PlayerName", "蒼真", s.playerName),
    STR_FIELD("PlayerName2", "蒼真", s.playerName2),
    INT_FIELD("LastSaveSlot", 0, s.lastSaveSlot),
    INT_FIELD("GV00", 0, s.gv[0]),
    INT_FIELD("GV01", 0, s.gv[1]),
    INT_FIELD("GV02", 0, s.gv[2]),
    INT_FIELD("GV03", 0, s.gv[3]),
    INT_FIELD("GV04", 0, s.gv[4]),
    INT_FIELD("GV05", 0, s.gv[5]),
    INT_FIELD("GV06", 0, s.gv[6]),
    INT_FIELD("GV07", 0, s.gv[7]),
    INT_FIELD("GV08", 0, s.gv[8]),
    INT_FIELD("GV09", 0, s.gv[9]),
    INT_FIELD("TXBG_R", 0, s.txbgR),
    INT_FIELD("TXBG_G", 0, s.txbgG),
    INT_FIELD("TXBG_B", 0, s.txbgB),
    INT_FIELD("TXBG_A", 200, s.txbgA),
};

#undef INT_FIELD
#undef STR_FIELD

std::string sjisDefault(const char* utf8) {
  auto s = utf8ToSjis(utf8);
  return s ? *s : std::string(utf8);
}

}  // namespace

std::span<const SettingField> settingFields() {
  return kFields;
}

const SettingField* findSettingField(std::string_view name) {
  for (const SettingField& f : kFields)
    if (name == f.name) return &f;
  return nullptr;
}

void readPaths(const SettingsStore& store, Settings& out, const std::string& currentFolder) {
  out.cdDir = store.readString("CDDir", "NULL");
  out.gameDir = store.readString("GameDir", currentFolder + "/");
  out.cddaDrv = store.readString("CDDA_DRV", "");
}

void readSettings(const SettingsStore& store, Settings& out, int desktopWidth, int desktopHeight) {
  for (const SettingField& f : kFields) {
    if (f.intRef) {
      std::int32_t fallback = f.intDefault;
      std::string_view name = f.name;
      // The window's outer size is 808 x 624 plus its frame; centre that.
      if (name == "Left") fallback = (desktopWidth - 808) / 2;
      if (name == "Top") fallback = (desktopHeight - 624) / 2;
      f.intRef(out) = store.readInt(f.name, fallback);
    } else {
      f.stringRef(out) = store.readString(f.name, sjisDefault(f.stringDefaultUtf8));
    }
  }
}

bool writeSetting(SettingsStore& store, const Settings& settings, std::string_view name) {
  const SettingField* f = findSettingField(name);
  if (!f) return false;
  Settings& s = const_cast<Settings&>(settings);  // the accessors only read here
  return f->intRef ? store.writeInt(f->name, f->intRef(s))
                   : store.writeString(f->name, f->stringRef(s));
}

}  // namespace torvan
