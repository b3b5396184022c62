#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the demo need.
# Only what is missing is installed; the list below is the single place to add to.
set -euo pipefail

packages=(
  # toolchain
  build-essential cmake ninja-build pkg-config clang libclang-rt-14-dev clang-format
  # libraries
  qt6-base-dev qt6-qpa-plugins libopenal-dev libjpeg62-turbo-dev libpng-dev
  libvorbis-dev libsndfile1-dev libfreetype-dev libfontconfig-dev
  # Japanese fonts for the message window
  fonts-ipafont-gothic fonts-ipafont-mincho
  # tests and benchmarks
  libgtest-dev libgmock-dev libbenchmark-dev xvfb xauth
  # the demo game's art and sound generator
  python3
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q '^install ok installed$'; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

echo "install-deps: installing ${missing[*]}"
sudo=""
if [ "$(id -u)" -ne 0 ]; then
  sudo="sudo"
fi
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
