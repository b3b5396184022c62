// The values the main loop tests on every pass.
#pragma once

#include <cstdint>

namespace torvan {

enum GameMode : std::int32_t {
  kStory = 0,
  kWindowHidden = 1,
  kBacklog = 2,
  kEndingRoll = 3,
  kCreditsScroll = 5,
  kGallery = 6,
  kScreenEffect = 7,
  kRecollection = 8,
  kPageHistory = 9,
};

struct RunState {
  std::int32_t gameMode = kStory;
  std::int32_t waitMode = 0;  // 1 page, 2 line, 4 page keeping the voice, 5 page without icon
  std::int32_t waitTicks = 0;
  std::int32_t charDelay = 0;
  std::int32_t sleepTicks = 0;  // idle passes; -1 waits for a click
  bool voiceWait = false;
  std::int32_t choiceState = 0;
  std::int32_t skipState = 0;
  std::int32_t autoCountdown = 0;
  std::int32_t clickDebounce = 0;
  bool textSkip = false;
  std::int32_t charsOnPage = 0;

  std::uint8_t interpreterEnabled = 1;
  bool firstStep = false;
  bool quit = false;
  std::int32_t busy = 0;  // a count only for the panic screen; otherwise 0 or 1
  std::uint8_t cutAllowed = 0;
  std::int32_t cutRequest = 0;
  std::int32_t origin = 0;  // 0 story, 1 gallery viewer, 2 recollection

  bool backlogOpen = false;
  std::int32_t promptCode = 0;
  bool popupOpen = false;

  std::int64_t frame = 0;  // idle passes so far
  std::int64_t tick = 0;   // timer ticks so far
};

struct DisplayState {
  std::int32_t fullScreen = 0;  // 0 windowed, 1 full screen
  std::int32_t mode = 0;        // the display mode in force ("SMode", or 2 on narrow desktops)
  std::int32_t savedWidth = 0, savedHeight = 0, savedLeft = 0, savedTop = 0;
};

}  // namespace torvan
