#!/usr/bin/env python3
"""The checker of bench/torture.sh: replays the workers' logs (see
bench/torture_worker.cpp) into the rows the database must hold, compares
them with the database and prints what it found.

    torture_check.py --db PATH [--kills N] [--import-kills N] [--cli-kills N] LOG...

Exits with 1 when a row is lost or extra, the integrity check fails, a
worker died on its own, or a command failed other than by a clean refusal.
"""

import argparse
import collections
import copy
import datetime
import json
import re
import sqlite3
import subprocess
import sys

FIELDS = ("name", "desc", "date", "time", "duration", "category")
CHANNEL_FIELDS = ("name", "number", "url", "logo", "data", "frequency")
UTC = datetime.timezone.utc


class Stats:
    def __init__(self):
        self.commits = collections.Counter()
        self.reads = collections.Counter()
        self.refused = collections.Counter()
        self.failures = collections.Counter()
        self.in_doubt = collections.Counter()
        self.notes = []


def programme(values, rid=None):
    return [rid, {f: values.get(f) for f in FIELDS}]


def channel(fields):
    return {"fields": [fields.get(f, "") for f in CHANNEL_FIELDS],
            "lines": list(fields.get("lines", [])), "progs": []}


def starts_at(values):
    text = values["date"] + " " + values["time"]
    return datetime.datetime.strptime(text, "%Y-%m-%d %H:%M").replace(tzinfo=UTC).timestamp()


def import_guide(channels, intent):
    """A guide channel keeps its programmes outside the guide's span; those
    inside are replaced by the guide's."""
    for guide in intent["channels"]:
        c = channels.setdefault("guide:" + guide["name"], channel({"name": guide["name"]}))
        first, end = guide["from"], guide["from"] + 1800 * guide["count"]
        c["progs"] = [p for p in c["progs"] if not first <= starts_at(p[1]) < end]
        for i in range(guide["count"]):
            t = datetime.datetime.fromtimestamp(first + 1800 * i, UTC)
            c["progs"].append(programme({
                "name": f'{intent["token"]}-g{guide["k"]}-{i}', "date": t.strftime("%Y-%m-%d"),
                "time": t.strftime("%H:%M"), "duration": "30", "category": "News"}))


def apply(projects, it, done):
    """What the command does to the rows; done is None when its outcome is
    unknown, so the identifiers it gave are too."""
    op = it["op"]
    if op == "newProject":
        key = done["id"] if done and done.get("id") else "name:" + it["name"]
        projects[key] = {"name": it["name"], "channels": {}, "orphans": {}, "deleted": False}
        return
    project = projects[it["project"]]
    channels = project["channels"]
    if op == "renameProject":
        project["name"] = it["name"]
    elif op == "deleteProject":
        # The lines of channels deleted earlier stay: nothing finds them.
        project.update(deleted=True, channels={})
    elif op == "addChannel":
        channels[done["id"] if done else "name:" + it["channel"]["name"]] = channel(it["channel"])
    elif op == "changeChannel":
        changed = channel(it["fields"])
        channels[it["channel"]].update(fields=changed["fields"], lines=changed["lines"])
    elif op == "deleteChannel":
        key = it["channel"] if it["channel"] in channels else "guide:" + it["name"]
        gone = channels.pop(key)
        if gone["lines"]:  # a deleted channel leaves its template lines
            project["orphans"][key] = gone["lines"]
    elif op == "import":
        import_guide(channels, it)
    else:
        progs = channels[it["channel"]]["progs"]
        by_id = {p[0]: p[1] for p in progs if p[0] is not None}
        if op == "addProgramme":  # an empty box leaves its column without a value
            progs.append(programme({f: v or None for f, v in it["boxes"].items()},
                                   done["id"] if done else None))
        elif op == "changeProgramme":
            by_id[it["id"]].update({f: v for f, v in it["boxes"].items() if v})
        elif op == "cell":
            by_id[it["id"]][it["field"]] = it["text"]
        elif op == "addRows":
            ids = done["ids"] if done else [None] * len(it["rows"])
            progs.extend(programme(r, i) for r, i in zip(it["rows"], ids))
        elif op in ("deleteProgramme", "removeRows"):
            gone = set(it.get("ids", [it.get("id")]))
            progs[:] = [p for p in progs if p[0] not in gone]
        else:
            raise KeyError(op)


def project_key(text):
    return int(text) if str(text).isdigit() else "name:" + text


def replay(path, stats, slot):
    """The slot's projects it still works on, and the frozen ones, each with
    the states it may be in: before and after a change of unknown outcome."""
    projects, settled = {}, []
    pending, stopped = None, True

    def commit(it, done):
        try:
            apply(projects, it, done)
        except KeyError as e:
            stats.notes.append(f"{slot}: seq {it['seq']} {it['op']} names {e}, which no logged "
                               "change made (a row the database should not hold)")

    def in_doubt(it, why):
        key = it["project"] if "project" in it else "name:" + it["name"]
        before = projects.pop(key, None)
        after = {key: copy.deepcopy(before)} if before else {}
        try:
            apply(after, it, None)
        except KeyError:
            pass
        settled.append((key, [before, after.get(key)], it))
        stats.in_doubt[why] += 1

    def unsettled():  # the last command of a killed worker
        if pending and pending["op"] != "read":
            in_doubt(pending, "killed")

    with open(path, encoding="utf-8", errors="replace") as log:
        for line in log:
            try:
                o = json.loads(line)
            except ValueError:
                continue  # empty, or torn by a kill
            if "start" in o:
                if not stopped:
                    stats.failures[(slot, "a worker stopped without a word (crashed?)")] += 1
                unsettled()
                pending, stopped = None, False
            elif "end" in o or "kill" in o:
                stopped = True
            elif "crash" in o:
                stopped = True
                stats.failures[(slot, f"a worker died on its own: {o['crash']}")] += 1
            elif "freeze" in o:
                key = project_key(o["freeze"])
                if key in projects:
                    settled.append((key, [projects.pop(key)], None))
            elif "op" in o:
                unsettled()
                pending = o
            elif pending and o.get("seq") == pending["seq"]:
                it, pending = pending, None
                kind, writes = it.get("kind", it["op"]), it["op"] != "read"
                if o.get("ok"):
                    (stats.commits if writes else stats.reads)[kind] += 1
                    if writes:
                        commit(it, o)
                    if "why" in o and "kept it locked" not in o["why"]:
                        stats.failures[(kind, "added row not found: " + o["why"])] += 1
                elif "refused" in o:
                    stats.refused[o["refused"]] += 1
                else:
                    if "failed" in o:
                        stats.failures[(kind, o["failed"][:160])] += 1
                    if writes:
                        in_doubt(it, "failed" if "failed" in o else "killed")
    if not stopped:
        stats.failures[(slot, "the last worker stopped without a word")] += 1
    unsettled()
    return projects, settled


COPY_ESCAPES = {"b": "\b", "f": "\f", "n": "\n", "r": "\r", "t": "\t", "v": "\v"}


def copy_field(text):
    """A field of COPY's text format: \\N is NULL, backslashes escape."""
    if text == "\\N":
        return None

    def unescape(m):
        e = m.group(1)
        if e in COPY_ESCAPES:
            return COPY_ESCAPES[e]
        if e[0] == "x":
            return chr(int(e[1:], 16))
        if e[0].isdigit():
            return chr(int(e, 8))
        return e
    return re.sub(r"\\(x[0-9a-fA-F]{1,2}|[0-7]{1,3}|.)", unescape, text)


class ServerRows:
    """The database on a PostgreSQL server, read through psql as sqlite3 reads
    a file: each query's rows as tuples, its leading ...ID columns numbers."""

    def __init__(self, address):
        self.address = address

    def execute(self, sql):
        names = sql.split(" FROM ")[0].removeprefix("SELECT ").split(", ")
        keys = next((i for i, n in enumerate(names) if not n.endswith("ID")), len(names))
        done = subprocess.run(
            ["psql", "-X", "-q", "-v", "ON_ERROR_STOP=1", "-d", self.address,
             "-c", f"COPY ({sql}) TO STDOUT"],
            capture_output=True, encoding="utf-8", check=False)
        if done.returncode:
            raise sqlite3.DatabaseError(done.stderr.strip())
        rows = []
        for line in done.stdout.split("\n")[:-1]:
            fields = [copy_field(f) for f in line.split("\t")]
            rows.append(tuple(int(f) if i < keys and f is not None else f
                              for i, f in enumerate(fields)))
        return rows

    def close(self):
        pass


def is_server(address):
    return re.match(r"postgres(ql)?://", address) or "=" in address


class Database:
    def __init__(self, path):
        if is_server(path):
            # The server keeps its own pages whole: it is asked only for the rows.
            db = ServerRows(path)
            self.integrity = "ok"
        else:
            # Read-write, as the next user would open it: a hot journal is rolled back.
            db = sqlite3.connect(path)
            self.integrity = "; ".join(r[0] for r in db.execute("PRAGMA integrity_check"))
        self.projects = dict(db.execute("SELECT projectID, projectName FROM ProjectData"))
        self.channels = {r[0]: (r[1], list(r[2:])) for r in db.execute(
            "SELECT channelID, projectID, channelName, channelNumber, channelURL, logoURL, "
            "dataURL, updateFrequency FROM ChannelData")}
        self.progs = collections.defaultdict(dict)
        for r in db.execute("SELECT programmeID, channelID, programmeName, programmeDesc, "
                            "startDate, startTime, duration, category FROM ProgrammeData"):
            self.progs[r[1]][r[0]] = tuple(r[2:])
        self.lines = collections.defaultdict(list)
        for r in db.execute("SELECT channelID, templateData FROM TemplateData ORDER BY rowid"):
            self.lines[r[0]].append(r[1])
        db.close()


def match_programmes(model, found):
    """The lost and the extra programmes of a channel: matched by identifier
    where the log knows it, else by their values."""
    left, lost = dict(found), []
    for rid, values in model:
        t = tuple(values[f] for f in FIELDS)
        if rid is not None:
            if left.get(rid) == t:
                del left[rid]
            else:
                lost.append(t)
    spare = collections.Counter(left.values())
    for rid, values in model:
        t = tuple(values[f] for f in FIELDS)
        if rid is None:
            if spare[t]:
                spare[t] -= 1
            else:
                lost.append(t)
    return lost, list(spare.elements())


def match_lines(model, found):
    want, have = collections.Counter(model), collections.Counter(found)
    return list((want - have).elements()), list((have - want).elements())


def compare(key, state, db):
    """The lost and the extra rows of one project, each as a line of text,
    and the rows of the database it accounts for."""
    lost, extra, claims = [], [], set()
    alive = state is not None and not state["deleted"]
    pid = key if isinstance(key, int) else next(
        (i for i, name in db.projects.items() if name == key[5:]), None)
    if pid in db.projects:
        claims.add(("project", pid))
        if not alive or db.projects[pid] != state["name"]:
            extra.append(f"project {pid} {db.projects[pid]!r}")
    if alive and db.projects.get(pid) != state["name"]:
        lost.append(f"project {key} {state['name']!r}")
    found = {cid: c[1] for cid, c in db.channels.items() if pid is not None and c[0] == pid}

    def differ(what, pair):
        lost.extend(f"{what} {row!r}" for row in pair[0])
        extra.extend(f"{what} {row!r}" for row in pair[1])

    for ckey, ch in (state["channels"].items() if alive else ()):
        cid = ckey if isinstance(ckey, int) else next(
            (i for i, fields in found.items() if fields[0] == ckey.split(":", 1)[1]), None)
        if cid not in found:
            lost.append(f"channel {ckey} {ch['fields']!r}")
            differ(f"programme of channel {ckey}", match_programmes(ch["progs"], {}))
            differ(f"template line of channel {ckey}", (ch["lines"], []))
            continue
        claims |= {("channel", cid), ("lines", cid)}
        fields = found.pop(cid)
        if fields != ch["fields"]:
            differ(f"channel {cid}", ([ch["fields"]], [fields]))
        differ(f"programme of channel {cid}", match_programmes(ch["progs"], db.progs[cid]))
        differ(f"template line of channel {cid}", match_lines(ch["lines"], db.lines[cid]))
    for cid, fields in found.items():  # the project's channels no logged change made
        claims |= {("channel", cid), ("lines", cid)}
        extra.append(f"channel {cid} {fields!r}")
        differ(f"programme of channel {cid}", ([], list(db.progs[cid].values())))
        differ(f"template line of channel {cid}", ([], db.lines[cid]))
    for cid, lines in (state["orphans"].items() if state else ()):
        claims.add(("lines", cid))
        differ(f"template line of deleted channel {cid}", match_lines(lines, db.lines[cid]))
    return lost, extra, claims


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--db", required=True)
    parser.add_argument("--kills", type=int, default=0)
    parser.add_argument("--import-kills", type=int, default=0)
    parser.add_argument("--cli-kills", type=int, default=0)
    parser.add_argument("logs", nargs="+")
    args = parser.parse_args()

    stats = Stats()
    slots = [(log,) + replay(log, stats, log.rsplit("/", 1)[-1]) for log in args.logs]
    try:
        db = Database(args.db)
    except sqlite3.DatabaseError as e:
        print(f"the database cannot be read: {e}")
        return 1

    lost = extra = 0
    claims = set()
    resolved = collections.Counter()

    def account(where, result):
        nonlocal lost, extra, claims
        l, e, c = result
        if l or e:
            stats.notes.append(f"{where}: {len(l)} lost, {len(e)} extra")
            stats.notes.extend(f"    lost  {row}" for row in l[:3])
            stats.notes.extend(f"    extra {row}" for row in e[:3])
        lost, extra, claims = lost + len(l), extra + len(e), claims | c

    for log, projects, settled in slots:
        for key, state in projects.items():
            account(f"{log}: project {key}", compare(key, state, db))
        for key, states, doubted in settled:
            results = [compare(key, state, db) for state in states]
            best = min(range(len(results)), key=lambda i: len(results[i][0]) + len(results[i][1]))
            where = f"{log}: project {key}"
            if doubted:
                differs = results[best][0] or results[best][1]
                resolved["neither" if differs else ("absent", "present")[best]] += 1
                where += f" (seq {doubted['seq']} {doubted['op']} in doubt)"
            account(where, results[best])
    # Rows that no worker's project accounts for.
    stray = sum(("project", p) not in claims for p in db.projects)
    for cid in db.channels:
        if ("channel", cid) not in claims:
            stray += 1 + len(db.progs[cid])
    stray += sum(len(p) for cid, p in db.progs.items() if cid not in db.channels)
    stray += sum(len(l) for cid, l in db.lines.items() if ("lines", cid) not in claims)
    if stray:
        stats.notes.append(f"{stray} rows belong to no project a worker made")
    extra += stray

    def counted(counter):
        return ", ".join(f"{k} {n}" for k, n in sorted(counter.items())) or "none"

    failures = sum(stats.failures.values())
    print(f"commits   {sum(stats.commits.values()):6}  {counted(stats.commits)}")
    print(f"reads     {sum(stats.reads.values()):6}  {counted(stats.reads)}")
    print(f"refused   {sum(stats.refused.values()):6}  {counted(stats.refused)}")
    print(f"failures  {failures:6}")
    for (kind, message), n in stats.failures.most_common():
        print(f"    {n:4} x {kind}: {message}")
    print(f"kills     {args.kills + args.cli_kills:6}  {args.kills} workers "
          f"({args.import_kills} of them in an import), {args.cli_kills} quorvel-cli imports alone")
    print(f"in doubt  {sum(stats.in_doubt.values()):6}  {stats.in_doubt['killed']} killed, "
          f"{stats.in_doubt['failed']} failed; {resolved['present']} present, "
          f"{resolved['absent']} absent, {resolved['neither']} neither")
    print(f"lost      {lost:6}")
    print(f"extra     {extra:6}")
    print(f"integrity {db.integrity}")
    for note in stats.notes[:40]:
        print("    " + note)
    bad = lost or extra or failures or db.integrity != "ok" or stats.notes
    return 1 if bad else 0


if __name__ == "__main__":
    sys.exit(main())
