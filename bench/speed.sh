#!/usr/bin/env bash
# Speed of every bulk operation at 100,000 and 1,000,000 programmes, each
# against a reference program doing the bare work on the same data:
#
#   export-xmltv, export-xml, export-dgc   sqlite3 -csv selecting the rows the export reads
#   import-xmltv                           xmllint --stream --noout (parsing the guide alone)
#   import-detailed                        the same, of the guide with a published guide's details
#   programme window open                  sqlite3 -csv selecting the list's rows
#
#   bench/speed.sh [BUILD_DIR]      (default: build; configure it with -DQUORVEL_BENCH=ON)
#
# The two databases are generated once into BUILD_DIR/bench/speed and reused;
# the guide imported is the XMLTV export of the same project. Each operation
# and its reference run once to warm the file cache, then alternately RUNS
# times (default 3), and the best of each counts. The machine may be shared:
# the ratios are of CPU time (user + system, from /usr/bin/time), which other
# programs disturb far less than the wall clock; the wall-clock ratio is
# printed beside them. The import reads on one thread while it stores on
# another, so its CPU time is the sum of both and its wall time the one
# comparable with the single-threaded parse: its goal is on wall time.
#
# Goals: exports at most 1.0 times their reference, import at most 1.5 times;
# peak memory under 64 MiB; the window open in under a second; and the cost
# per programme at 1,000,000 within 10% of that at 100,000 ("growth").
set -euo pipefail
cd "$(dirname "$0")/.."

BUILD=${1:-build}
RUNS=${RUNS:-3}
CLI=$BUILD/quorvel-cli
WINDOW=$BUILD/bench_programme_window
GENERATE=$BUILD/quorvel-bench-generate
DIR=$BUILD/bench/speed
OUT=$DIR/out
SIZES=(100000 1000000)
ZONE=Europe/London

for tool in sqlite3 xmllint; do
    command -v $tool >/dev/null || { echo "$tool is missing (make deps)" >&2; exit 1; }
done
if [ ! -x /usr/bin/time ]; then
    sudo=""; [ "$(id -u)" = 0 ] || sudo=sudo
    $sudo apt-get install -y -q time >/dev/null
fi
if [ ! -x "$CLI" ] || [ ! -x "$WINDOW" ] || [ ! -x "$GENERATE" ]; then
    cmake -S . -B "$BUILD" -DQUORVEL_BENCH=ON >/dev/null
    cmake --build "$BUILD" --target quorvel-cli bench_programme_window quorvel-bench-generate >/dev/null
fi
mkdir -p "$DIR" "$OUT"

for n in "${SIZES[@]}"; do
    if [ ! -e "$DIR/p$n.db" ]; then
        echo "generating $DIR/p$n.db" >&2
        "$CLI" init-db "$DIR/p$n.db.part" >/dev/null
        "$GENERATE" "$DIR/p$n.db.part" "$n" >/dev/null
        mv "$DIR/p$n.db.part" "$DIR/p$n.db"
    fi
done
# An empty project to import into, copied afresh for every import.
rm -f "$OUT/empty.db"
"$CLI" init-db "$OUT/empty.db" >/dev/null
sqlite3 "$OUT/empty.db" "INSERT INTO ProjectData (projectID, projectName) VALUES (1, 'Import')"

XMLTV_SQL="SELECT channelID, channelName, logoURL, channelURL FROM ChannelData
 WHERE projectID = 1 ORDER BY channelID;
SELECT p.programmeID, p.programmeName, p.startDate, p.startTime, p.duration, p.programmeDesc,
       p.category, p.subTitle, p.episodeNum, p.episodeSystem
  FROM ChannelData c JOIN ProgrammeData p ON p.channelID = c.channelID
 WHERE c.projectID = 1 ORDER BY c.channelID, p.programmeID;"
XML_SQL="SELECT c.channelName, p.programmeName, p.startDate, p.startTime, p.duration,
       p.category, p.programmeDesc
  FROM ChannelData c JOIN ProgrammeData p ON p.channelID = c.channelID
 WHERE c.projectID = 1 ORDER BY c.channelID, p.programmeID;"
DGC_SQL="SELECT COUNT(*) FROM ChannelData WHERE projectID = 2;
SELECT channelName, updateFrequency, logoURL, dataURL, channelURL
  FROM ChannelData WHERE projectID = 2 ORDER BY channelID;
SELECT t.templateData FROM ChannelData c JOIN TemplateData t ON t.channelID = c.channelID
 WHERE c.projectID = 2 ORDER BY c.channelID, t.rowid;"
LIST_SQL="SELECT programmeID, programmeName FROM ProgrammeData
 WHERE channelID = (SELECT min(c.channelID) FROM ChannelData c WHERE c.projectID = 3)
 ORDER BY startDateKey, startTimeKey, programmeID;"

# timed OUTFILE COMMAND...: runs the command once, appends "WALL CPU PEAK_KB USER".
timed() {
    local into=$1
    shift
    /usr/bin/time -f '%e %U %S %M' -o "$OUT/time.txt" "$@" >/dev/null 2>"$OUT/stderr.txt" || {
        # Exit 3 is the XMLTV export's "some programmes left out"; anything else fails.
        local rc=$?
        [ $rc = 3 ] || { cat "$OUT/stderr.txt" >&2; echo "failed ($rc): $*" >&2; exit 1; }
    }
    tail -n 1 "$OUT/time.txt" | awk '{ printf "%s %.2f %s %s\n", $1, $2 + $3, $4, $2 }' >>"$into"
}

# best FILE: "WALL CPU PEAK_KB USER", the least times and the greatest peak.
best() {
    awk 'NR == 1 || $1 < w { w = $1 } NR == 1 || $2 < c { c = $2 } $3 > m { m = $3 }
         NR == 1 || $4 < u { u = $4 } END { print w, c, m, u }' "$1"
}

# compare NAME SIZE ROWS OURS... -- REFERENCE...: alternate runs of both. Each
# timed run repeats the command until it has done 1,000,000 programmes' work
# (10 times at 100,000), so that the clock's 10 ms steps stay small beside it.
compare() {
    local name=$1 size=$2 rows=$3
    shift 3
    local ours=() theirs=()
    while [ "$1" != -- ]; do ours+=("$1"); shift; done
    shift
    theirs=("$@")
    local repeat=$((1000000 / size))
    : >"$OUT/ours.txt"
    : >"$OUT/theirs.txt"
    "${ours[@]}" >/dev/null 2>&1 || true
    "${theirs[@]}" >/dev/null 2>&1 || true
    for _ in $(seq "$RUNS"); do
        timed "$OUT/ours.txt" sh -c 'n=$1; shift; for _ in $(seq $n); do "$@" || [ $? = 3 ] || exit 1; done' sh "$repeat" "${ours[@]}"
        timed "$OUT/theirs.txt" sh -c 'n=$1; shift; for _ in $(seq $n); do "$@" || exit 1; done' sh "$repeat" "${theirs[@]}"
        rm -f "$OUT"/import-*.db
    done
    # Times per single run.
    echo "$name $size $rows $(best "$OUT/ours.txt" | awk -v r=$repeat '{ print $1 / r, $2 / r, $3, $4 / r }') $(best "$OUT/theirs.txt" | awk -v r=$repeat '{ print $1 / r, $2 / r, $3, $4 / r }')" >>"$OUT/results.txt"
}

# Imports into a fresh copy of the empty project each time, under a name of
# its own: copied over the last import's database, the empty one would first
# have to throw away hundreds of megabytes the system may still be writing,
# which is no part of an import. They are removed between timed runs.
printf '#!/bin/sh\ndb=$(mktemp "%s/import-XXXXXX.db") && cp "%s" "$db" && exec "%s" import-xmltv --db "$db" --project 1 --in "$1"\n' \
    "$OUT" "$OUT/empty.db" "$CLI" >"$OUT/import.sh"
chmod +x "$OUT/import.sh"

: >"$OUT/results.txt"
for n in "${SIZES[@]}"; do
    db=$DIR/p$n.db
    channel=$(sqlite3 "$db" "SELECT min(channelID) FROM ChannelData WHERE projectID = 3")
    lines=$((n / 10 * 5))
    echo "measuring $n programmes" >&2
    compare export-xmltv "$n" "$n" \
        "$CLI" export-xmltv --db "$db" --project 1 --out "$OUT/guide-$n.xml" --tz "$ZONE" -- \
        sh -c 'sqlite3 -csv "$1" "$2" >"$3"' sh "$db" "$XMLTV_SQL" "$OUT/xmltv.csv"
    compare export-xml "$n" "$n" \
        "$CLI" export-xml --db "$db" --project 1 --out "$OUT/listing.xml" -- \
        sh -c 'sqlite3 -csv "$1" "$2" >"$3"' sh "$db" "$XML_SQL" "$OUT/listing.csv"
    compare export-dgc "$n" "$lines" \
        "$CLI" export-dgc --db "$db" --project 2 --out "$OUT/channels.dgc" -- \
        sh -c 'sqlite3 -csv "$1" "$2" >"$3"' sh "$db" "$DGC_SQL" "$OUT/channels.csv"
    compare import-xmltv "$n" "$n" \
        "$OUT/import.sh" "$OUT/guide-$n.xml" -- \
        xmllint --stream --noout "$OUT/guide-$n.xml"
    # The same guide with what published guides say beside the columns:
    # lang attributes, a sub-title, credits, episode numbers, a rating.
    sed -e 's|<title>|<title lang="en">|; s|<desc>|<desc lang="en">|; s|<category>|<category lang="en">|' \
        -e 's|</title>|</title>\n    <sub-title lang="en">The one with the thing</sub-title>|' \
        -e 's|^  </programme>|    <credits>\n      <director>Jane Doe</director>\n      <actor role="Sam">John Smith</actor>\n    </credits>\n    <episode-num system="xmltv_ns">1.4.0/1</episode-num>\n    <episode-num system="onscreen">S02E05</episode-num>\n    <previously-shown/>\n    <rating system="VCHIP">\n      <value>TV-PG</value>\n    </rating>\n  </programme>|' \
        "$OUT/guide-$n.xml" >"$OUT/detailed-$n.xml"
    compare import-detailed "$n" "$n" \
        "$OUT/import.sh" "$OUT/detailed-$n.xml" -- \
        xmllint --stream --noout "$OUT/detailed-$n.xml"
    compare window-open "$n" "$n" \
        env QT_QPA_PLATFORM=offscreen "$WINDOW" --open "$db" "$channel" -- \
        sh -c 'sqlite3 -csv "$1" "$2" >"$3"' sh "$db" "$LIST_SQL" "$OUT/list.csv"
done
# The programme window with nothing in it, for its memory alone: a channel
# without programmes (a channel that is not there is refused as gone).
cp "$OUT/empty.db" "$OUT/empty-channel.db"
sqlite3 "$OUT/empty-channel.db" "INSERT INTO ChannelData (channelID, projectID, channelName) VALUES (1, 1, 'Empty')"
: >"$OUT/empty-window.txt"
for _ in $(seq "$RUNS"); do
    timed "$OUT/empty-window.txt" env QT_QPA_PLATFORM=offscreen "$WINDOW" --open "$OUT/empty-channel.db" 1
done
empty_kb=$(best "$OUT/empty-window.txt" | awk '{ print $3 }')

awk -v empty="$empty_kb" '
    { key = $1; if (!(key in order)) { order[key] = ++count; names[count] = key }
      size = $2 == 100000 ? "s" : "l"
      rows[key, size] = $3; w[key, size] = $4; c[key, size] = $5; m[key, size] = $6
      u[key, size] = $7; rw[key, size] = $8; rc[key, size] = $9 }
    END {
        printf "| operation | reference | CPU ratio 100k | CPU ratio 1M | wall ratio 1M | peak MiB 1M | CPU µs/programme 100k | CPU µs/programme 1M | growth | growth, user time |\n"
        printf "|---|---|---|---|---|---|---|---|---|---|\n"
        ref["export-xmltv"] = "sqlite3 -csv"; ref["export-xml"] = "sqlite3 -csv"
        ref["export-dgc"] = "sqlite3 -csv"; ref["import-xmltv"] = "xmllint --stream"
        ref["import-detailed"] = "xmllint --stream"
        ref["window-open"] = "sqlite3 -csv"
        for (i = 1; i <= count; ++i) {
            k = names[i]
            us_s = c[k, "s"] / rows[k, "s"] * 1e6; us_l = c[k, "l"] / rows[k, "l"] * 1e6
            uu = (u[k, "l"] / rows[k, "l"]) / (u[k, "s"] / rows[k, "s"])
            printf "| %s | %s | %.2f | %.2f | %.2f | %.1f | %.2f | %.2f | %.2f | %.2f |\n", k, ref[k],
                c[k, "s"] / rc[k, "s"], c[k, "l"] / rc[k, "l"], w[k, "l"] / rw[k, "l"],
                m[k, "l"] / 1024, us_s, us_l, us_l / us_s, uu
        }
        printf "\nwindow open at 1M: %.2f s wall; the empty window: peak %.1f MiB\n",
            w["window-open", "l"], empty / 1024
    }' "$OUT/results.txt"
echo "(export-dgc: per template line, 5 for each 10 programmes; growth: CPU per programme at 1M over 100k)"
cat "$OUT/results.txt" >&2
