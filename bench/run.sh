#!/usr/bin/env bash
# Export benchmark: times quorvel-cli's two exports against SQLite's own
# shell dumping the same columns, in the same order, from the same database,
# and reports the ratio and the exporter's peak memory.
#
#   bench/run.sh [BUILD_DIR]      (default: build; run `make build` first)
#
# The database is generated once into BUILD_DIR/bench/bench.db and reused.
# Each command runs once to warm the file cache, then RUNS times (10 for the
# DGC export, which takes well under a second); the best time counts.
# Goal: ratio at or below 1.0, peak memory under 64 MB.
set -euo pipefail
cd "$(dirname "$0")/.."

BUILD=${1:-build}
RUNS=${RUNS:-3}
DGC_RUNS=${DGC_RUNS:-10}
CLI=$BUILD/quorvel-cli
BENCH=$BUILD/bench
DB=$BENCH/bench.db
OUT=$BENCH/out

[ -x "$CLI" ] || { echo "run 'make build' first: $CLI is missing" >&2; exit 1; }
command -v sqlite3 >/dev/null || { echo "sqlite3 is missing (apt-get install sqlite3)" >&2; exit 1; }
if [ ! -x /usr/bin/time ]; then
    echo "installing GNU time for the memory figures"
    sudo=""; [ "$(id -u)" = 0 ] || sudo=sudo
    $sudo apt-get install -y -q time >/dev/null
fi

if [ ! -e "$DB" ]; then
    cmake -S . -B "$BUILD" -DQUORVEL_BENCH=ON >/dev/null
    cmake --build "$BUILD" --target quorvel-bench-generate >/dev/null
    mkdir -p "$BENCH"
    "$CLI" init-db "$DB"
    echo "generating $DB (a few seconds)"
    "$BUILD/quorvel-bench-generate" "$DB"
fi
mkdir -p "$OUT"

# The export of each project, and the same values selected by SQLite's shell.
XML_PROJECT=1
DGC_PROJECT=2
XML_SQL="SELECT c.channelName, p.programmeName, p.startDate, p.startTime, p.duration,
       p.category, p.programmeDesc
  FROM ChannelData c JOIN ProgrammeData p ON p.channelID = c.channelID
 WHERE c.projectID = $XML_PROJECT ORDER BY c.channelID, p.programmeID;"
DGC_SQL="SELECT COUNT(*) FROM ChannelData WHERE projectID = $DGC_PROJECT;
SELECT channelName, updateFrequency, logoURL, dataURL, channelURL
  FROM ChannelData WHERE projectID = $DGC_PROJECT ORDER BY channelID;
SELECT t.templateData FROM ChannelData c JOIN TemplateData t ON t.channelID = c.channelID
 WHERE c.projectID = $DGC_PROJECT ORDER BY c.channelID, t.rowid;"

# best_of RUNS COMMAND...: prints "SECONDS PEAK_KB" of the fastest of RUNS runs.
best_of() {
    local runs=$1
    shift
    "$@" >/dev/null 2>&1 # warm-up
    local best="" peak=0
    for _ in $(seq "$runs"); do
        local start end seconds kb
        start=$(date +%s%N)
        /usr/bin/time -f '%M' -o "$OUT/time.txt" "$@" >/dev/null 2>&1
        end=$(date +%s%N)
        seconds=$(awk -v s="$start" -v e="$end" 'BEGIN { printf "%.3f", (e - s) / 1e9 }')
        kb=$(tail -n 1 "$OUT/time.txt")
        if [ -z "$best" ] || awk -v a="$seconds" -v b="$best" 'BEGIN { exit !(a < b) }'; then
            best=$seconds
        fi
        [ "$kb" -gt "$peak" ] && peak=$kb
    done
    echo "$best $peak"
}

report() {
    local name=$1 ours=$2 theirs=$3 size=$4
    read -r ours_s ours_kb <<<"$ours"
    read -r theirs_s theirs_kb <<<"$theirs"
    awk -v n="$name" -v a="$ours_s" -v b="$theirs_s" -v m="$ours_kb" -v sm="$theirs_kb" -v z="$size" 'BEGIN {
        printf "%s (%.1f MB written)\n", n, z / 1e6
        printf "  quorvel-cli      %7.3f s   peak %6.1f MB\n", a, m / 1024
        printf "  sqlite3 -csv     %7.3f s   peak %6.1f MB\n", b, sm / 1024
        printf "  ratio            %7.2f     %s\n", a / b, (a <= b && m < 65536) ? "goal met" : "GOAL MISSED"
    }'
}

xml_ours=$(best_of "$RUNS" "$CLI" export-xml --db "$DB" --project $XML_PROJECT --out "$OUT/listing.xml")
xml_theirs=$(best_of "$RUNS" sh -c 'sqlite3 -csv "$1" "$2" > "$3"' sh "$DB" "$XML_SQL" "$OUT/listing.csv")
report "export-xml: 100 channels x 10,000 programmes" "$xml_ours" "$xml_theirs" \
    "$(stat -c %s "$OUT/listing.xml")"

dgc_ours=$(best_of "$DGC_RUNS" "$CLI" export-dgc --db "$DB" --project $DGC_PROJECT --out "$OUT/channels.dgc")
dgc_theirs=$(best_of "$DGC_RUNS" sh -c 'sqlite3 -csv "$1" "$2" > "$3"' sh "$DB" "$DGC_SQL" "$OUT/channels.csv")
report "export-dgc: 10,000 channels x 5 template lines" "$dgc_ours" "$dgc_theirs" \
    "$(stat -c %s "$OUT/channels.dgc")"
