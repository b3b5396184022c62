#!/usr/bin/env bash
# Builds the demo game folder from the sources beside this script: the scenarios, and
# the pictures and sounds that assets/make_assets.py draws and synthesizes.
# usage: build-demo.sh TORVAN_TOOL OUT_DIR
set -euo pipefail
tool=$1
out=$2
src=$(cd "$(dirname "$0")" && pwd)
mkdir -p "$out"
"$tool" script compile "$src"/scripts/*.txt -o "$out/qz_data.tvn"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
python3 "$src/assets/make_assets.py" "$work/src" >/dev/null

# Pictures: entries are named after their files, without an extension. Backgrounds
# are smooth gradients (delta helps); sprites, masks and interface parts are flat
# areas (runs help).
mkdir -p "$work/gra"
for png in "$work"/src/pictures/*.png; do
  name=$(basename "$png" .png)
  case $name in
    A*) opts=(--delta) ;;
    *) opts=(--rle) ;;
  esac
  "$tool" picture encode "$png" -o "$work/gra/$name" "${opts[@]}" >/dev/null
done
"$tool" archive pack -o "$out/qz_gra.tvn" "$work"/gra/* >/dev/null

# Music: byte deltas, looping from the point the generator wrote down.
mkdir -p "$work/bgm"
while read -r name loop; do
  "$tool" sound encode "$work/src/music/$name.wav" -o "$work/bgm/$name" --coding delta \
    --loop-start "$loop" >/dev/null
done <"$work/src/music/loops.txt"
"$tool" archive pack -o "$out/qz_bgm.tvn" "$work"/bgm/* >/dev/null

# Effects: one-shot sounds in effect archive 0, the looping ones in archive 2.
for kind in se:qz_se0 seloop:qz_se2; do
  dir=${kind%%:*}
  mkdir -p "$work/$dir.out"
  for wav in "$work/src/$dir"/*.wav; do
    "$tool" sound encode "$wav" -o "$work/$dir.out/$(basename "$wav" .wav)" --coding runs >/dev/null
  done
  "$tool" archive pack -o "$out/${kind##*:}.tvn" "$work/$dir.out"/* >/dev/null
done

# Voices: Ogg Vorbis in voice archive 1.
mkdir -p "$work/ogg"
for wav in "$work"/src/voice/*.wav; do
  "$tool" sound encode-voice "$wav" -o "$work/ogg/$(basename "$wav" .wav)" >/dev/null
done
"$tool" archive pack -o "$out/qz_ogg1.tvn" "$work"/ogg/* >/dev/null
