#include "archive/archives.h"

#include <string_view>

#include "core/file_io.h"

namespace torvan {

namespace {

std::string inFolder(const std::string& folder, std::string_view file) {
  if (folder.empty()) return std::string(file);
  return folder + "/" + std::string(file);
}

// The game folder's copy wins; archives that may stay on the install disc are looked
// for at the disc path next. That path is a prefix written by the installer, so the
// file name is appended to it as it stands.
ArchiveIndex openGeneral(const std::string& gameDir, const std::string& cdDir,
                         std::string_view file, bool onDisc) {
  std::string path = inFolder(gameDir, file);
  if (onDisc && !fileExists(path) && !cdDir.empty()) {
    std::string discPath = cdDir + std::string(file);
    if (fileExists(discPath)) path = discPath;
  }
  return readArchiveIndex(path, ArchiveLayout::General);
}

std::string numbered(std::string_view stem, int number) {
  return std::string(stem) + std::to_string(number) + ".tvn";
}

}  // namespace

void Archives::openScriptArchives(const std::string& gameDir) {
  script[0] = readArchiveIndex(inFolder(gameDir, "qz_data.tvn"), ArchiveLayout::Script);
  script[1] = readArchiveIndex(inFolder(gameDir, "qz_data2.tvn"), ArchiveLayout::Script);
}

void Archives::openArchives(const std::string& gameDir, const std::string& cdDir) {
  gra[0] = openGeneral(gameDir, cdDir, "qz_gra.tvn", true);
  gra[1] = openGeneral(gameDir, cdDir, "qz_gra2.tvn", false);
  gra[2] = openGeneral(gameDir, cdDir, "qz_gra3.tvn", false);
  gjp = openGeneral(gameDir, cdDir, "qz_gjp.tvn", false);
  for (int i = 0; i < 5; ++i)
    wav[i] = openGeneral(gameDir, cdDir, numbered("qz_wav", i + 1), false);
  for (int i = 0; i < 3; ++i) se[i] = openGeneral(gameDir, cdDir, numbered("qz_se", i), true);
  for (int i = 0; i < 3; ++i)
    ogg[i] = openGeneral(gameDir, cdDir, numbered("qz_ogg", i + 1), i == 0);
  bgm = openGeneral(gameDir, cdDir, "qz_bgm.tvn", true);
  anim[0] = openGeneral(gameDir, cdDir, "qz_anim.tvn", false);
  anim[1] = openGeneral(gameDir, cdDir, "qz_anim2.tvn", false);
}

Result<Bytes> Archives::readScript(std::string_view name) const {
  for (const ArchiveIndex* index : {&script[1], &script[0]}) {
    std::int32_t at = findEntry(*index, name);
    if (at < 0) continue;
    // The archive that names the entry is the one read, even when that read fails:
    // an older copy in the other archive would silently run stale story.
    auto data = readEntry(*index, at);
    if (!data) return data.error();
    negateBytes(*data);
    return data;
  }
  return Error{"qz_data.tvn", std::string(name), "no such scenario"};
}

}  // namespace torvan
