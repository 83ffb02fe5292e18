#!/usr/bin/env bash
# Speed of the bulk operations on a PostgreSQL server at 1,000,000
# programmes, each against what a PostgreSQL user would run instead on the
# same data and the same server:
#
#   import-xmltv        psql \copy ProgrammeData (...) FROM the rows the import stores
#   export-xmltv        psql \copy (SELECT ...) TO a file, of the rows the export reads
#   export-xml          the same
#   programme window    psql \copy (SELECT ...) TO a file, of the list's rows
#
#   bench/server.sh [BUILD_DIR]     (default: build; configure it with -DQUORVEL_BENCH=ON)
#
# It starts a throw-away server of its own (tests/support/pgserver.sh) and
# stops it at the end. The data is bench/speed.sh's database of 1,000,000
# programmes (generated into BUILD_DIR/bench/speed when missing), copied onto
# the server with psql; the guide imported is its project's XMLTV export.
# Each operation and its reference run once to warm the caches, then
# alternately RUNS times (default 3), and the best of each counts.
#
# The work is shared between two processes, the client and the server, which
# run side by side: the wall clock is what the user waits for, and the goals
# are on it. The CPU time of both together is printed beside it (the
# server's read from its processes before and after each run).
#
# Goals: the import at most 1.5 times its reference, the exports at most
# 1.0 times; the window open in under 2 s with a peak under 64 MiB.
set -euo pipefail
cd "$(dirname "$0")/.."

BUILD=${1:-build}
RUNS=${RUNS:-3}
CLI=$BUILD/quorvel-cli
WINDOW=$BUILD/bench_programme_window
GENERATE=$BUILD/quorvel-bench-generate
DIR=$BUILD/bench/server
OUT=$DIR/out
SOURCE=$BUILD/bench/speed/p1000000.db
ZONE=Europe/London

for tool in sqlite3 psql; do
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
mkdir -p "$DIR" "$OUT" "$(dirname "$SOURCE")"
if [ ! -e "$SOURCE" ]; then
    echo "generating $SOURCE" >&2
    "$CLI" init-db "$SOURCE.part" >/dev/null
    "$GENERATE" "$SOURCE.part" 1000000 >/dev/null
    mv "$SOURCE.part" "$SOURCE"
fi

unset PGHOST PGHOSTADDR PGPORT PGUSER PGPASSWORD PGDATABASE PGSSLMODE PGSERVICE PGOPTIONS
PG=$DIR/pg
echo "starting a server in $PG" >&2
tests/support/pgserver.sh start "$PG"
trap 'tests/support/pgserver.sh stop "$PG"' EXIT
BASE=$(sed 's|/postgres$||' "$PG/url")
POSTMASTER=$(head -n 1 "$(cat "$PG/socketdir")/data/postmaster.pid")
TICK=$(getconf CLK_TCK)

sql() {
    local db=$1
    shift
    psql -X -q -v ON_ERROR_STOP=1 "$BASE/$db" "$@"
}

# The server's CPU seconds so far: its processes' own, and those of every
# one that has ended (a connection's backend ends with the connection).
server_cpu() {
    local ticks=0 pid
    for pid in $POSTMASTER $(pgrep -P "$POSTMASTER" || true); do
        [ -r "/proc/$pid/stat" ] || continue
        ticks=$((ticks + $(sed 's/.*) //' "/proc/$pid/stat" |
            awk -v all=$([ "$pid" = "$POSTMASTER" ] && echo 1 || echo 0) \
                '{ print $12 + $13 + (all ? $14 + $15 : 0) }')))
    done
    awk -v t=$ticks -v hz="$TICK" 'BEGIN { printf "%.2f", t / hz }'
}

# A quiet server measures the operation and nothing else; the tables are
# analysed by hand once they are filled.
sql postgres -c "ALTER SYSTEM SET autovacuum = off" -c "SELECT pg_reload_conf()" >/dev/null

# The listings: the SQLite database's rows as they are, identifiers too.
PROJECT_COLUMNS="projectID, projectName, ContactName, ContacteMail, ContactURL, ContactDesc"
CHANNEL_COLUMNS="channelID, projectID, channelName, channelNumber, channelURL, logoURL, dataURL, updateFrequency"
PROGRAMME_COLUMNS="channelID, programmeName, programmeDesc, startDate, startTime, duration, category,
 subTitle, episodeNum, episodeSystem, xmltvStart, xmltvStop, xmltvTyped, xmltvExtra"
# copy TABLE COLUMNS [ORDER]: from the SQLite file into the listings database.
# sqlite3's CSV writes NULL as nothing and empty text as "", as COPY reads them.
copy() {
    sqlite3 -csv "$SOURCE" "SELECT $2 FROM $1 ${3:-}" |
        sql listings -c "\\copy $1 ($2) FROM pstdin WITH (FORMAT csv)"
}
echo "copying $SOURCE onto the server" >&2
sql postgres -c "CREATE DATABASE listings"
"$CLI" init-db "$BASE/listings" >/dev/null
copy ProjectData "$PROJECT_COLUMNS"
copy ChannelData "$CHANNEL_COLUMNS"
copy ChannelXmltv "channelID, xmltvID, xmltvExtra"
copy TemplateData "channelID, templateData" "ORDER BY rowid"
copy ProgrammeData "programmeID, $PROGRAMME_COLUMNS"
sql listings -c "SELECT setval(pg_get_serial_sequence('projectdata', 'projectid'), max(projectID)) FROM ProjectData" \
    -c "SELECT setval(pg_get_serial_sequence('channeldata', 'channelid'), max(channelID)) FROM ChannelData" \
    -c "SELECT setval(pg_get_serial_sequence('programmedata', 'programmeid'), max(programmeID)) FROM ProgrammeData" \
    -c "VACUUM ANALYZE" >/dev/null
LISTINGS=$BASE/listings

# An empty project to import into, a fresh copy of it for each import.
sql postgres -c "CREATE DATABASE empty"
"$CLI" init-db "$BASE/empty" >/dev/null
sql empty -c "INSERT INTO ProjectData (projectID, projectName) VALUES (1, 'Import')"
fresh() {
    sql postgres -c "DROP DATABASE IF EXISTS $1" -c "CREATE DATABASE $1 TEMPLATE empty" 2>/dev/null
}

# The guide: the listings' project 1 in XMLTV, written from the SQLite file.
GUIDE=$OUT/guide.xml
"$CLI" export-xmltv --db "$SOURCE" --project 1 --out "$GUIDE" --tz "$ZONE" >/dev/null || [ $? = 3 ]

XMLTV_SQL="SELECT p.programmeID, p.programmeName, p.programmeDesc, p.startDate, p.startTime,
       p.duration, p.category, p.subTitle, p.episodeNum, p.episodeSystem, p.xmltvStart,
       p.xmltvStop, p.xmltvTyped, p.xmltvExtra
  FROM ChannelData c JOIN ProgrammeData p ON p.channelID = c.channelID
 WHERE c.projectID = 1 ORDER BY c.channelID, p.programmeID"
XML_SQL="SELECT c.channelName, p.programmeName, p.startDate, p.startTime, p.duration,
       p.category, p.programmeDesc
  FROM ChannelData c JOIN ProgrammeData p ON p.channelID = c.channelID
 WHERE c.projectID = 1 ORDER BY c.channelID, p.programmeID"
channel=$(sql listings -A -t -c "SELECT min(channelID) FROM ChannelData WHERE projectID = 3")
LIST_SQL="SELECT programmeID, programmeName FROM ProgrammeData WHERE channelID = $channel
 ORDER BY startDateKey, startTimeKey, programmeID"

# timed OUTFILE COMMAND...: runs the command once, appends "WALL CPU PEAK_KB",
# CPU being the client's and the server's together.
timed() {
    local into=$1
    shift
    local before after
    before=$(server_cpu)
    /usr/bin/time -f '%e %U %S %M' -o "$OUT/time.txt" "$@" >/dev/null 2>"$OUT/stderr.txt" || {
        # Exit 3 is the XMLTV export's "some programmes left out"; anything else fails.
        local rc=$?
        [ $rc = 3 ] || { cat "$OUT/stderr.txt" >&2; echo "failed ($rc): $*" >&2; exit 1; }
    }
    after=$(server_cpu)
    tail -n 1 "$OUT/time.txt" |
        awk -v s="$(awk -v a="$after" -v b="$before" 'BEGIN { print a - b }')" \
            '{ printf "%s %.2f %s\n", $1, $2 + $3 + s, $4 }' >>"$into"
}

# best FILE: "WALL CPU PEAK_KB", the least times and the greatest peak.
best() {
    awk 'NR == 1 || $1 < w { w = $1 } NR == 1 || $2 < c { c = $2 } $3 > m { m = $3 }
         END { print w, c, m }' "$1"
}

# compare NAME SETUP OURS... -- REFERENCE...: alternate runs of both, SETUP
# (a shell command, untimed) before each.
compare() {
    local name=$1 setup=$2
    shift 2
    local ours=() theirs=()
    while [ "$1" != -- ]; do ours+=("$1"); shift; done
    shift
    theirs=("$@")
    : >"$OUT/ours.txt"
    : >"$OUT/theirs.txt"
    echo "measuring $name" >&2
    for run in $(seq 0 "$RUNS"); do
        eval "$setup"
        if [ "$run" = 0 ]; then
            "${ours[@]}" >/dev/null 2>&1 || true
            eval "$setup"
            "${theirs[@]}" >/dev/null 2>&1 || true
            continue
        fi
        timed "$OUT/ours.txt" "${ours[@]}"
        eval "$setup"
        timed "$OUT/theirs.txt" "${theirs[@]}"
    done
    echo "$name $(best "$OUT/ours.txt") $(best "$OUT/theirs.txt")" >>"$OUT/results.txt"
}

: >"$OUT/results.txt"

# The reference loads the very rows the import stores: those of a first import.
fresh imported
"$CLI" import-xmltv --db "$BASE/imported" --project 1 --in "$GUIDE" --tz "$ZONE" >/dev/null
sql imported -c "\\copy (SELECT $PROGRAMME_COLUMNS FROM ProgrammeData ORDER BY programmeID) TO '$OUT/imported.tsv'"
sql postgres -c "DROP DATABASE imported"
compare import-xmltv "fresh import" \
    "$CLI" import-xmltv --db "$BASE/import" --project 1 --in "$GUIDE" --tz "$ZONE" -- \
    psql -X -q -v ON_ERROR_STOP=1 "$BASE/import" \
    -c "\\copy ProgrammeData ($PROGRAMME_COLUMNS) FROM '$OUT/imported.tsv'"
sql postgres -c "DROP DATABASE import"

compare export-xmltv : \
    "$CLI" export-xmltv --db "$LISTINGS" --project 1 --out "$OUT/guide-server.xml" --tz "$ZONE" -- \
    psql -X -q -v ON_ERROR_STOP=1 "$LISTINGS" -c "\\copy ($XMLTV_SQL) TO '$OUT/xmltv.tsv'"
compare export-xml : \
    "$CLI" export-xml --db "$LISTINGS" --project 1 --out "$OUT/listing.xml" -- \
    psql -X -q -v ON_ERROR_STOP=1 "$LISTINGS" -c "\\copy ($XML_SQL) TO '$OUT/listing.tsv'"
compare window-open : \
    env QT_QPA_PLATFORM=offscreen "$WINDOW" --open "$LISTINGS" "$channel" -- \
    psql -X -q -v ON_ERROR_STOP=1 "$LISTINGS" -c "\\copy ($LIST_SQL) TO '$OUT/list.tsv'"

awk '
    BEGIN {
        goal["import-xmltv"] = 1.5; goal["export-xmltv"] = 1.0; goal["export-xml"] = 1.0
        printf "| operation | wall s | reference wall s | wall ratio | goal | CPU ratio (client + server) | peak MiB |\n"
        printf "|---|---|---|---|---|---|---|\n"
    }
    {
        printf "| %s | %.2f | %.2f | %.2f | %s | %.2f | %.1f |\n", $1, $2, $5, $2 / $5,
            $1 in goal ? "<= " goal[$1] : "< 2 s, < 64 MiB", $3 / $6, $4 / 1024
        if ($1 == "window-open") { open = $2; peak = $4 / 1024 }
    }
    END { printf "\nwindow open at 1M on a server: %.2f s wall, peak %.1f MiB\n", open, peak }
' "$OUT/results.txt"
cat "$OUT/results.txt" >&2
