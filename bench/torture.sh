#!/usr/bin/env bash
# Shared use under fire: several processes work on ONE database file, each
# doing what users do (bench/torture_worker.cpp): the windows' commands
# through core, schedule edits with their undo and redo, and quorvel-cli's
# import and three exports; mostly on projects of their own, while reading
# and exporting what the others write. Every 3 to 8 s one is killed with
# kill -9, half the time while it runs quorvel-cli import-xmltv (then with
# the import, or the import alone), and a fresh one carries on its work.
# At the end bench/torture_check.py replays the workers' logs: every change
# a worker was told had committed must be in the database and nothing else
# (a change whose outcome its killed worker never heard may be either), and
# PRAGMA integrity_check must say ok. It prints commits by kind, clean
# refusals by reason, failures, kills, changes in doubt, lost and extra
# rows, and exits with 1 when anything is lost or extra, the integrity check
# fails, or anything failed other than by a clean refusal. Like speed.sh it
# prints figures and is never part of make test.
#
#   bench/torture.sh [-p PROCESSES] [-t SECONDS] [-d DATABASE] [-s SEED] [-b BUILD_DIR]
#
# Defaults: 4 processes, 120 s, a new database in a temporary folder, a
# random seed (it repeats each worker's choices, not how the processes
# interleave), build folder build (configured with -DQUORVEL_BENCH=ON and
# built when the programs are missing). DATABASE must not exist yet, or be
# the address of an empty database on a PostgreSQL server
# (postgresql://user@host:port/name), which the run gives Quorvel's tables
# and reads back with psql. The logs and the database are kept when
# something was found.
set -euo pipefail
cd "$(dirname "$0")/.."

procs=4 seconds=120 db="" seed=$((RANDOM * 32768 + RANDOM)) build=build
while getopts "p:t:d:s:b:h" opt; do
    case $opt in
    p) procs=$OPTARG ;;
    t) seconds=$OPTARG ;;
    d) db=$OPTARG ;;
    s) seed=$OPTARG ;;
    b) build=$OPTARG ;;
    *) sed -n '2,/^set -e/{/^set -e/d; s/^# \{0,1\}//; p}' "$0"; exit 2 ;;
    esac
done

CLI=$build/quorvel-cli
WORKER=$build/quorvel-torture-worker
if [ ! -x "$CLI" ] || [ ! -x "$WORKER" ]; then
    cmake -S . -B "$build" -DQUORVEL_BENCH=ON >/dev/null
    cmake --build "$build" --target quorvel-cli quorvel-torture-worker >/dev/null
fi
work=$(mktemp -d "${TMPDIR:-/tmp}/quorvel-torture.XXXXXX")
db=${db:-$work/torture.db}
case $db in
postgres://* | postgresql://* | *=*) server=1 ;;
*) server="" ;;
esac
if [ -z "$server" ] && [ -e "$db" ]; then
    echo "$db exists already; the torture starts from an empty database of its own." >&2
    exit 2
fi
"$CLI" init-db "$db" >/dev/null

RANDOM=$seed
until=$((EPOCHSECONDS + seconds))
pid=() runs=()
trap 'for p in "${pid[@]}"; do [ -z "$p" ] || kill -9 "$p" 2>/dev/null; done; exit 130' INT TERM

# start SLOT: a fresh worker, carrying on the slot's log and projects.
start() {
    local s=$1
    runs[s]=$((${runs[s]:-0} + 1))
    mkdir -p "$work/w$s"
    "$WORKER" --db "$db" --slot "$s" --log "$work/w$s.log" --cli "$CLI" --dir "$work/w$s" \
        --seed $((seed + 1000 * s + runs[s])) --until "$until" &
    pid[s]=$!
}

# A line of our own in a worker's log, on a line of its own even after a torn one.
note() { printf '\n%s\n' "$2" >>"$work/w$1.log"; }

# Whether the process runs (a child that has ended stays, unreaped, as a zombie).
running() {
    local state
    state=$(cut -d' ' -f3 "/proc/$1/stat" 2>/dev/null) && [ "$state" != Z ]
}

# The quorvel-cli import-xmltv the worker of this process id runs now, if any.
import_of() {
    local child
    for child in $(pgrep -P "$1" 2>/dev/null); do
        if grep -qa import-xmltv "/proc/$child/cmdline" 2>/dev/null; then
            echo "$child"
            return
        fi
    done
}

now_ms() { echo $((${EPOCHREALTIME/./} / 1000)); }

for s in $(seq "$procs"); do start "$s"; done
kills=0 import_kills=0 cli_kills=0
next=$(($(now_ms) + 3000 + RANDOM % 5001))
while [ "$EPOCHSECONDS" -lt "$until" ]; do
    sleep 0.05
    for s in $(seq "$procs"); do
        if [ -n "${pid[s]}" ] && ! running "${pid[s]}"; then
            rc=0
            wait "${pid[s]}" || rc=$?
            pid[s]=""
            # 0 is a worker that stopped on time, a moment before this loop.
            if [ "$rc" != 0 ]; then
                note "$s" "{\"crash\":$rc}"
                start "$s"
            fi
        fi
    done
    [ "$(now_ms)" -ge "$next" ] || continue
    victim="" child=""
    if ((RANDOM % 2)); then
        # Aim at an import: wait up to 2 s for a worker to be running one.
        for _ in $(seq 100); do
            for s in $(seq "$procs"); do
                [ -n "${pid[s]}" ] || continue
                child=$(import_of "${pid[s]}")
                if [ -n "$child" ]; then
                    victim=$s
                    break 2
                fi
            done
            sleep 0.02
        done
    fi
    if [ -n "$child" ] && ((RANDOM % 2)); then
        # The import alone: its worker hears of it and carries on.
        if kill -9 "$child" 2>/dev/null; then cli_kills=$((cli_kills + 1)); fi
    else
        s=${victim:-$((RANDOM % procs + 1))}
        if [ -n "${pid[s]}" ]; then
            # Its quorvel-cli, if any, dies with it in any case (the worker
            # asks for that); an aimed kill takes the import first.
            kill -9 $child "${pid[s]}" 2>/dev/null || true
            wait "${pid[s]}" 2>/dev/null || true
            note "$s" '{"kill":true}'
            kills=$((kills + 1))
            [ -z "$child" ] || import_kills=$((import_kills + 1))
            start "$s"
        fi
    fi
    next=$(($(now_ms) + 3000 + RANDOM % 5001))
done
for s in $(seq "$procs"); do
    [ -n "${pid[s]}" ] || continue
    rc=0
    wait "${pid[s]}" || rc=$?
    [ "$rc" = 0 ] || note "$s" "{\"crash\":$rc}"
done
pid=()

echo "Quorvel torture: $procs processes, $seconds s, seed $seed, database $db"
status=0
python3 bench/torture_check.py --db "$db" --kills "$kills" --import-kills "$import_kills" \
    --cli-kills "$cli_kills" "$work"/w*.log || status=$?
if [ "$status" = 0 ]; then
    rm -rf "$work"
else
    echo "The workers' logs (w*.log) are kept in $work"
fi
exit "$status"
