#!/usr/bin/env bash
# Takes a picture of each of the program's windows for the README:
#     tools/screenshots.sh [BUILD_DIR] [OUTPUT_DIR]
# A sample database is made in a temporary folder with quorvel-cli and
# sqlite3, and the windows are drawn on a virtual X display (xvfb-run).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)
output=${2:-$root/docs/screenshots}

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$build/quorvel-cli" init-db "$work/quorvel.db"
sqlite3 -bail "$work/quorvel.db" < "$root/tools/screenshots/sample-data.sql"

mkdir -p "$output"
mkdir -m 700 "$work/runtime"
export XDG_RUNTIME_DIR="$work/runtime"
# The X platform even where the test set-up chose the offscreen one.
xvfb-run -a -s "-screen 0 1280x1024x24" \
    env QT_QPA_PLATFORM=xcb "$build/quorvel-screenshots" "$work" "$output"
