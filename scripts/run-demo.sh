#!/usr/bin/env bash
# Starts the demo game: in a window where there is a display, otherwise headless in
# autoplay with a screenshot of every page in build/autoplay/.
set -euo pipefail
cd "$(dirname "$0")/.."
game=build/demo
if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  exec build/bin/torvan --game "$game"
fi
echo "run-demo: no display found; playing the demo headless in autoplay."
echo "run-demo: screenshots of every page go to build/autoplay/"
rm -rf build/autoplay
mkdir -p build/autoplay
build/bin/torvan --game "$game" --headless --autoplay --screenshot-dir build/autoplay \
  --save-dir build/autoplay/save --settings build/autoplay/HOLVA.ini \
  --final-state build/autoplay/final-state.json
echo "run-demo: done; $(ls build/autoplay/*.png 2>/dev/null | wc -l) screenshots in build/autoplay/"
