#!/usr/bin/env bash
# Builds the demo game folder from the sources beside this script.
# usage: build-demo.sh TORVAN_TOOL OUT_DIR
set -euo pipefail
tool=$1
out=$2
src=$(cd "$(dirname "$0")" && pwd)
mkdir -p "$out"
"$tool" script compile "$src"/scripts/*.txt -o "$out/qz_data.tvn"
