#!/usr/bin/env bash
# Fails when a tracked C++ file is not formatted as .clang-format says.
set -euo pipefail
cd "$(dirname "$0")/.."
files=$(git ls-files '*.cpp' '*.h' 2>/dev/null || true)
[ -n "$files" ] || exit 0
# shellcheck disable=SC2086
if ! clang-format --dry-run --Werror $files; then
  echo "check-format: run 'make format'" >&2
  exit 1
fi
