#!/usr/bin/env bash
# Runs a command under a private Xvfb server with the xcb platform plugin.
set -euo pipefail
export QT_QPA_PLATFORM=xcb
exec xvfb-run -a -s "-screen 0 1024x768x24" "$@"
