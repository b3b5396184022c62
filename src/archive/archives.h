// The archive set the engine owns for the whole run, read once at start-up.
#pragma once

#include <array>
#include <string>

#include "archive/archive_index.h"
#include "core/bytes.h"

namespace torvan {

// The one in-memory stream that readers needing a whole entry (JPEG pictures, movie
// frames) borrow. They clear it before use; it keeps its capacity between uses.
struct ScratchStream {
  Bytes data;
  void clear() { data.clear(); }
};

struct Archives {
  std::array<ArchiveIndex, 2> script;  // [0] "qz_data.tvn", [1] "qz_data2.tvn"
  std::array<ArchiveIndex, 3> gra;     // packed pictures 1..3; 1 is "qz_gra.tvn"
  ArchiveIndex gjp;                    // "qz_gjp.tvn", whole JPEG files
  std::array<ArchiveIndex, 5> wav;     // "qz_wav1.tvn" .. "qz_wav5.tvn"
  std::array<ArchiveIndex, 3> se;      // "qz_se0.tvn" .. "qz_se2.tvn"
  std::array<ArchiveIndex, 3> ogg;     // "qz_ogg1.tvn" .. "qz_ogg3.tvn"
  ArchiveIndex bgm;                    // "qz_bgm.tvn"
  std::array<ArchiveIndex, 2> anim;    // "qz_anim.tvn", "qz_anim2.tvn"
  ScratchStream scratch;

  // Builds fresh indexes of the two script archives in gameDir.
  void openScriptArchives(const std::string& gameDir);
  // Reads the indexes of all other archives. Archives marked for the secondary folder
  // fall back to cdDir immediately followed by the file name (no separator added)
  // when the game folder lacks them.
  void openArchives(const std::string& gameDir, const std::string& cdDir);

  // A script entry by name, un-negated: "qz_data2.tvn" first, then "qz_data.tvn".
  // Fails when neither has it or the read fails.
  Result<Bytes> readScript(std::string_view name) const;
};

}  // namespace torvan
