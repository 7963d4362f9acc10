#!/usr/bin/env python3
"""Soak test: many short games of zelmor070 against Debian's engines, judged by
the referee of scripts/partidas.py, with every fault counted.

    scripts/resistencia.py [--games N] [--start K] [--jobs J] [--level "0 0:02 0.05"] [--st 0.1]
                           [--opponents fairymax,phalanx,hoichess,sjeng,stockfish]
                           [--engine build/zelmor070] [--json FILE] [--out DIR]
    scripts/resistencia.py --sumar FILE.json...

N games (default 10) against each opponent, J at a time (default 1). HoiChess
and Sjeng read whole seconds only: they play the st games on the level clock
instead. The
xboard opponents (fairymax, phalanx, hoichess, sjeng) meet the engine over
xboard protocol 2; Stockfish and GNU Chess meet it over UCI, the engine then
started with "uci" (GNU Chess 6.2.7 takes moves in its xboard mode here but
never answers one, while its UCI mode, "gnuchess -u", plays). The conditions
go round eight combinations, our colour changing every game and every eighth
game:
  - clock: `level` with an increment (--level), or a fixed time per move
    (--st: xboard "st", UCI "go movetime");
  - pondering on or off ("hard"/"easy"; over UCI "go ponder" and "ponderhit");
  - books and tablebases: the engine's working directory gets the books of
    build/libros/, 3-man tablebases made by build/zelmor-tb, and a
    personality file whose NALIMOV_PATH names them, and the game starts
    from the initial position so that the book is played; otherwise the game
    starts from one of scripts/aperturas.txt, nothing copied.
Our engine needs the books and zelmor-tb of its build directory only for the
book/tablebase games; without them those games are played without.

What is counted, per engine, in each game (a game ends at its first fault):
  illegal      a move the referee does not accept (or none, "bestmove 0000"
               with legal moves, or a move out of turn);
  refused      "Illegal move" answered to a move the referee accepted;
  crash        the engine's output ended, it failed to start, or it exited
               with a status other than 0 after "quit";
  hang         no move 5 s past its clock, no answer at start-up, or still
               running 3 s after "quit";
  time         a move that came after its clock ran out (less than 5 s late);
  false claim  a result line the referee rejects: a win without checkmate, a
               draw without stalemate, dead position, threefold repetition or
               fifty moves; a loss for the announcer (a resignation) is taken;
  missed claim the engine's own move reached a threefold repetition or the
               fiftieth move without capture or pawn move, and the engine did
               not announce "1/2-1/2" within a second of that move (the
               referee then ends the game as a draw). Checkmate, stalemate and
               dead positions end the game without a claim, as a front end
               ends it; a UCI engine has no claims, the referee ends its games.
Opponents' faults are counted apart. The summary is one Markdown table; the
run's games (conditions, moves, result, faults) go to the JSON file (default
OUT/resistencia.json), the transcript of each game with a fault to
OUT/partida_N.log. --sumar adds up the JSON files of several runs into one
table. A soak split over runs gives each run --start K, the games per
opponent the runs before it played, so that it goes on through the openings
and conditions instead of playing the same games again (game numbers go on
too). Exit status 1 when our engine had any fault, 0 otherwise.
"""
import argparse
import concurrent.futures
import io
import json
import os
import subprocess
import sys
import tempfile
import threading
import time
import traceback

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import partidas  # noqa: E402

SCRIPTS = os.path.dirname(os.path.abspath(__file__))
OPPONENTS = {
    "fairymax": "fairymax",
    "phalanx": "phalanx",
    "gnuchess": "uci:gnuchess -u",
    "hoichess": "hoichess",
    "sjeng": "sjeng",
    "stockfish": "uci:stockfish",
}
DEFAULT_OPPONENTS = ["fairymax", "phalanx", "hoichess", "sjeng", "stockfish", "gnuchess"]
# Opponents that read whole seconds only play their st games on the level
# clock instead: HoiChess exits on "st 0.3" ("Illegal time value."), Sjeng
# takes a second or more a move, and "st 1" would make those games the
# longest of the soak by far.
OWN_CLOCKS = {"sjeng": {"tc": "level"}, "hoichess": {"tc": "level"}}
COLUMNS = [("illegal", "Illegal moves"), ("refused", "Legal moves refused"), ("crash", "Crashes"),
           ("hang", "Hangs"), ("time", "Time losses"), ("false-claim", "False claims"),
           ("missed-claim", "Missed claims")]
# clock, pondering, books and tablebases
CONDITIONS = [(tc, ponder, extras) for extras in (False, True) for ponder in (False, True)
              for tc in ("level", "st")]


def program_path(command):
    """Where a bare program name is found, as partidas.py will start it."""
    word = command.split()[0]
    if os.sep in word:
        return word if os.access(word, os.X_OK) else None
    return partidas.shutil.which(word, path=os.environ.get("PATH", "") + ":/usr/games")


def prepare_extras(engine, outdir):
    """Books, 3-man tablebases and a personality naming them; the files to copy
    into the engine's directory, or [] when the build has none of them."""
    build = os.path.dirname(os.path.abspath(engine))
    files = []
    books = os.path.join(build, "libros")
    for name in ("Zelmor070B.libro", "Zelmor070N.libro"):
        if os.path.isfile(os.path.join(books, name)):
            files.append(os.path.join(books, name))
    tb = os.path.join(outdir, "tablas")
    generator = os.path.join(build, "zelmor-tb")
    if os.access(generator, os.X_OK):
        if not os.path.isdir(tb) or not os.listdir(tb):
            res = subprocess.run([generator, "generar", "--salida", tb, "kqk", "krk", "kpk", "kbk",
                                  "knk"], stdout=subprocess.PIPE, stderr=subprocess.PIPE)
            if res.returncode != 0:
                print("note: zelmor-tb failed (%d); games without tablebases" % res.returncode)
        if os.path.isdir(tb):
            files.extend(os.path.join(tb, f) for f in sorted(os.listdir(tb)))
    if not files:
        return []
    personality = os.path.join(outdir, "resistencia.per")
    with open(personality + ".tmp", "w") as f:
        f.write("NALIMOV_PATH .\n")
    os.replace(personality + ".tmp", personality)
    return files + [personality]


def schedule(a):
    """Every game of the run: (number, opponent, our colour, conditions, opening)."""
    with open(os.path.join(SCRIPTS, "aperturas.txt")) as f:
        openings = [l.strip() for l in f if l.strip() and not l.startswith("#")]
    games = []
    for k in range(a.start, a.start + a.games):
        for i, opp in enumerate(a.opponents):
            tc, ponder, extras = CONDITIONS[k % len(CONDITIONS)]
            # The four games from openings in each round of eight take two
            # openings, each once with either colour.
            fen = None if extras else openings[(k // 8 * 2 + k % 8 // 2) % len(openings)]
            own = OWN_CLOCKS.get(opp, {})
            n = k * len(a.opponents) + i + 1
            games.append({"game": n, "opponent": opp, "white": (k + k // len(CONDITIONS)) % 2 == 0,
                          "tc": own.get("tc", tc), "ponder": ponder, "extras": extras, "fen": fen,
                          "level": own.get("level", a.level), "st": own.get("st", a.st)})
    return games


def play_one(g, a, extras_files, outdir, lock):
    opp = OPPONENTS[g["opponent"]]
    uci = opp.startswith("uci:")
    ours = ("uci:" if uci else "") + a.engine + (" resistencia" if g["extras"] and extras_files else "")
    white, black = (ours, opp) if g["white"] else (opp, ours)
    log = io.StringIO()
    log.write("=== game %d: %s - %s (%s%s%s)%s\n" % (
        g["game"], white, black, g["tc"], ", ponder" if g["ponder"] else "",
        ", books and tablebases" if g["extras"] else "", "  from " + g["fen"] if g["fen"] else ""))
    t0 = time.time()
    try:
        r = partidas.play(white, black, g["level"], a.max_plies, log, g["ponder"], g["fen"],
                          g["st"] if g["tc"] == "st" else None,
                          copy=extras_files if g["extras"] else [])
    except Exception as err:  # a fault of this script: the run goes on and says so
        r = {"result": None, "outcome": ("error", "script error: %r" % err), "moves": [],
             "faults": []}
        log.write(traceback.format_exc())
        g["error"] = True
    g = dict(g)
    g["seconds"] = round(time.time() - t0, 2)
    g["result"] = r["result"]
    g["end"] = r["outcome"][1]
    g["moves"] = r["moves"]
    ours_side = 0 if g["white"] else 1
    g["faults"] = [{"ours": side == ours_side, "kind": kind, "text": text}
                   for side, kind, text in r["faults"]]
    if g["faults"] or g.get("error"):
        path = os.path.join(outdir, "partida_%d.log" % g["game"])
        with open(path + ".tmp", "w") as f:
            f.write(log.getvalue())
        os.replace(path + ".tmp", path)
    with lock:
        line = "game %4d  %-9s %s %-5s%s%s %4d plies %6.1f s  %s: %s" % (
            g["game"], g["opponent"], "W" if g["white"] else "B", g["tc"],
            " ponder" if g["ponder"] else "       ", " book+tb" if g["extras"] else "        ",
            len(g["moves"]), g["seconds"], g["result"] or "*", g["end"])
        print(line, flush=True)
        for f in g["faults"]:
            print("      %s fault %s: %s" % ("OUR" if f["ours"] else "opponent", f["kind"], f["text"]),
                  flush=True)
    return g


def table(games):
    """The Markdown summary and our engine's fault count."""
    opponents = []
    for g in games:
        if g["opponent"] not in opponents:
            opponents.append(g["opponent"])
    rows = []
    header = ["Opponent", "Games", "Won-drawn-lost", "Unfinished"] + [c[1] for c in COLUMNS] + \
        ["Opponent's faults", "Seconds a game"]
    total_ours = 0

    def row(label, gs):
        wdl = [0, 0, 0]
        unfinished = 0
        counts = {k: 0 for k, _ in COLUMNS}
        theirs = {}
        for g in gs:
            r = g["result"]
            if r is None:
                unfinished += 1
            elif r == "1/2-1/2":
                wdl[1] += 1
            else:
                wdl[0 if (r == "1-0") == g["white"] else 2] += 1
            for f in g["faults"]:
                if f["ours"]:
                    counts[f["kind"]] += 1
                else:
                    theirs[f["kind"]] = theirs.get(f["kind"], 0) + 1
        seconds = sum(g["seconds"] for g in gs) / len(gs) if gs else 0
        return [label, str(len(gs)), "%d-%d-%d" % tuple(wdl), str(unfinished)] + \
            [str(counts[k]) for k, _ in COLUMNS] + \
            [", ".join("%d %s" % (v, k) for k, v in sorted(theirs.items())) or "0",
             "%.1f" % seconds], sum(counts.values())

    for opp in opponents:
        cells, _ = row(opp, [g for g in games if g["opponent"] == opp])
        rows.append(cells)
    cells, total_ours = row("**all**", games)
    rows.append(cells)
    out = ["| " + " | ".join(header) + " |", "|" + "---|" * len(header)]
    out += ["| " + " | ".join(r) + " |" for r in rows]
    return "\n".join(out), total_ours


def write_json(path, data):
    d = os.path.dirname(os.path.abspath(path))
    fd, tmp = tempfile.mkstemp(dir=d, prefix=".resistencia_")
    with os.fdopen(fd, "w") as f:
        json.dump(data, f, indent=1)
    os.replace(tmp, path)


def main():
    ap = argparse.ArgumentParser(description="Soak test against Debian's engines.")
    ap.add_argument("--games", type=int, default=10, help="games against each opponent")
    ap.add_argument("--jobs", type=int, default=1, help="games played at once")
    ap.add_argument("--start", type=int, default=0,
                    help="number of games per opponent played by earlier runs of the soak")
    ap.add_argument("--level", default="0 0:02 0.05", help="xboard level: moves, base, increment")
    ap.add_argument("--st", type=float, default=0.1, help="seconds per move in the st games")
    ap.add_argument("--max-plies", type=int, default=400)
    ap.add_argument("--opponents", default=",".join(DEFAULT_OPPONENTS),
                    help="from: " + ", ".join(OPPONENTS))
    ap.add_argument("--engine", default="build/zelmor070")
    ap.add_argument("--out", help="directory for the JSON results and fault transcripts")
    ap.add_argument("--json", help="results file (default OUT/resistencia.json)")
    ap.add_argument("--sumar", nargs="+", metavar="JSON", help="sum the results of earlier runs")
    a = ap.parse_args()

    if a.sumar:
        games = []
        for path in a.sumar:
            with open(path) as f:
                games.extend(json.load(f)["games"])
        text, ours = table(games)
        print(text)
        return 1 if ours else 0

    a.opponents = [o.strip() for o in a.opponents.split(",") if o.strip()]
    unknown = [o for o in a.opponents if o not in OPPONENTS]
    if unknown:
        ap.error("unknown opponents: %s (known: %s)" % (", ".join(unknown), ", ".join(OPPONENTS)))
    if not program_path(a.engine):
        ap.error("no engine at %s (run make build)" % a.engine)
    missing = [o for o in a.opponents if not program_path(OPPONENTS[o].replace("uci:", ""))]
    for o in missing:
        print("note: %s is not installed (apt-get install %s); not played" % (o, o))
    a.opponents = [o for o in a.opponents if o not in missing]
    if not a.opponents:
        print("no opponent installed")
        return 77
    a.engine = os.path.abspath(a.engine)
    outdir = a.out or "resistencia_" + time.strftime("%Y%m%d_%H%M%S")
    os.makedirs(outdir, exist_ok=True)
    extras_files = prepare_extras(a.engine, outdir)
    games = schedule(a)
    lock = threading.Lock()
    t0 = time.time()
    done = []
    results = a.json or os.path.join(outdir, "resistencia.json")

    def save():
        write_json(results, {"engine": a.engine, "level": a.level, "st": a.st, "jobs": a.jobs,
                             "elapsed": round(time.time() - t0, 1), "games": done})

    # The results are saved every ten games, so that a run cut short keeps
    # what it played.
    with concurrent.futures.ThreadPoolExecutor(max_workers=max(1, a.jobs)) as pool:
        for g in pool.map(lambda g: play_one(g, a, extras_files, outdir, lock), games):
            done.append(g)
            if len(done) % 10 == 0:
                save()
    elapsed = time.time() - t0
    save()
    text, ours = table(done)
    print()
    print(text)
    print()
    print("%d games in %.0f s (%.1f s a game of wall time, %d at once); our engine's faults: %d" % (
        len(done), elapsed, elapsed / max(1, len(done)), a.jobs, ours))
    errors = sum(1 for g in done if g.get("error"))
    if errors:
        print("%d games stopped by an error of this script (see their transcripts)" % errors)
    print("results: " + results)
    return 1 if ours else 0


if __name__ == "__main__":
    sys.exit(main())
