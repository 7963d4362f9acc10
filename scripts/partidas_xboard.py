#!/usr/bin/env python3
"""Runs a match between two xboard engines inside the real XBoard front end,
headless under a private Xvfb server, and judges how every game ended.

    scripts/partidas_xboard.py [--games N] [--timeout S] [--keep DIR]
                               FIRST SECOND [XBOARD-OPTION ...]

FIRST and SECOND are engine command lines (quote them when they have
arguments); a bare name is also looked up in /usr/games. Each engine runs in a
working directory of its own (xboard's -fd / -sd), so its log and learning
files stay there. Everything after the two engines goes to xboard as it is,
for example the time control:

    scripts/partidas_xboard.py build/zelmor070 fairymax -tc 0:05 -inc 0
    scripts/partidas_xboard.py --games 4 build/zelmor070 build/zelmor052 -st 1

Without a time option the match is played at -tc 0:04 -inc 0 (four seconds a game
for each side).

One line per game is printed ("game N: WHITE - BLACK RESULT {comment}: kind"),
then a summary. Kinds: "result" (mate, draw or adjudication), "time" (a flag
fell), "illegal" (a move was refused or forfeited), "crash" (an engine exited
during the match), "unfinished". Exit status: 0 when every game ended with a
result and none ended by an illegal move or a crash; 1 otherwise; 77 when
XBoard, Xvfb or an engine is not installed (the message says which).

--keep DIR keeps the PGN file, xboard's debug file (every line to and from
both engines) and the engines' working directories in DIR.
"""
import argparse
import os
import re
import subprocess
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import pruebas_gui as gui  # noqa: E402

TIME_OPTIONS = {"-tc", "-timeControl", "-st", "-searchTime", "-depth", "-searchDepth",
                "-inc", "-timeIncrement", "-mps", "-movesPerSession"}

# How xboard words the ends that are faults of an engine.
ILLEGAL = re.compile(r"llegal|invalid move|Forfeit", re.I)
FLAG = re.compile(r"on time|flag fell", re.I)
CRASH = re.compile(r"exited unexpectedly|crash", re.I)


def read_games(pgn_path):
    """(white, black, result, last comment) of every game in the PGN file."""
    try:
        with open(pgn_path, encoding="latin-1") as f:
            text = f.read()
    except OSError:
        return []
    games = []
    for chunk in re.split(r"\n(?=\[Event )", text):
        if "[Event " not in chunk:
            continue
        tag = dict(re.findall(r'^\[(\w+) "([^"]*)"\]', chunk, re.M))
        movetext = chunk.split("\n\n", 1)[1] if "\n\n" in chunk else ""
        comments = re.findall(r"\{([^}]*)\}", movetext)
        # The game-ending comment stands right before the result token.
        final = re.search(r"\{([^}]*)\}\s*(1-0|0-1|1/2-1/2|\*)\s*$", movetext.strip())
        games.append((tag.get("White", "?"), tag.get("Black", "?"), tag.get("Result", "*"),
                      final.group(1) if final else (comments[-1] if comments else "")))
    return games


def refused_moves(debug_path):
    """Lines in which an engine refused a move that xboard sent it."""
    try:
        with open(debug_path, encoding="latin-1") as f:
            return [l.strip() for l in f if re.search(r"<(first|second)\s*: *Illegal move", l)]
    except OSError:
        return []


def classify(result, comment):
    if result not in ("1-0", "0-1", "1/2-1/2"):
        return "unfinished"
    if ILLEGAL.search(comment):
        return "illegal"
    if CRASH.search(comment):
        return "crash"
    if FLAG.search(comment):
        return "time"
    return "result"


def main():
    ap = gui.arguments(__doc__)
    ap.add_argument("--games", type=int, default=2)
    ap.add_argument("--timeout", type=float, default=600, help="seconds for the whole match")
    ap.add_argument("--keep", metavar="DIR", help="keep PGN, debug file and engine directories")
    ap.add_argument("first")
    ap.add_argument("second")
    ap.add_argument("xboard_options", nargs=argparse.REMAINDER)
    a = ap.parse_args()

    if not gui.installed(("xboard", "xboard")):
        return gui.OMITIR
    xboard = gui.find_program("xboard")
    engines = []
    for command in (a.first, a.second):
        full = gui.found_engine(command)
        if full is None:
            return gui.OMITIR
        engines.append(full)

    workdir = gui.work_directory(a.keep, "partidas_xboard_")
    dirs = [os.path.join(workdir, "first"), os.path.join(workdir, "second")]
    for d in dirs:
        os.makedirs(d, exist_ok=True)
    pgn = gui.fresh(os.path.join(workdir, "match.pgn"))
    debug = gui.fresh(os.path.join(workdir, "xboard.debug"))

    xvfb, display = gui.xvfb_or_skip(workdir, a.keep)
    if xvfb is None:
        return gui.OMITIR

    options = list(a.xboard_options)
    if options and options[0] == "--":
        options = options[1:]
    if not TIME_OPTIONS.intersection(options):
        options += ["-tc", "0:04", "-inc", "0"]
    command = [xboard,
               "-fcp", engines[0], "-fd", dirs[0],
               "-scp", engines[1], "-sd", dirs[1],
               "-mg", str(a.games), "-sgf", pgn,
               "-debug", "-nameOfDebugFile", debug,
               "-xexit", "-matchPause", "200", "-saveSettingsOnExit", "false",
               "-soundProgram", "true"] + options
    env = dict(os.environ, DISPLAY=display, HOME=workdir)
    started = time.time()
    status = None
    output = ""
    try:
        proc = subprocess.Popen(command, cwd=workdir, env=env, stdin=subprocess.DEVNULL,
                                stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True,
                                errors="replace", start_new_session=True)
        try:
            output, _ = proc.communicate(timeout=a.timeout)
            status = proc.returncode
        except subprocess.TimeoutExpired:
            gui.stop(proc)
            output = proc.communicate()[0] or ""
    finally:
        gui.stop(xvfb)
    seconds = time.time() - started

    games = read_games(pgn)
    refused = refused_moves(debug)
    crashed = [l for l in output.splitlines() if CRASH.search(l)]
    faults = 0
    counts = {}
    for n, (white, black, result, comment) in enumerate(games, 1):
        kind = classify(result, comment)
        counts[kind] = counts.get(kind, 0) + 1
        if kind in ("illegal", "crash", "unfinished"):
            faults += 1
        print("game %d: %s - %s %s {%s}: %s" % (n, white, black, result, comment, kind))
    for line in refused:
        print("refused move: " + line)
    for line in crashed:
        print("engine exit: " + line)
    if len(games) < a.games:
        print("only %d of %d games were played%s" % (
            len(games), a.games, " (timeout after %.0f s)" % a.timeout if status is None else ""))
    match = re.search(r"final score.*", output)
    print("xboard: %s; %.1f s; %s" % (
        match.group(0) if match else "no final score (exit status %s)" % status, seconds,
        ", ".join("%s %d" % kv for kv in sorted(counts.items())) or "no games"))
    ok = not faults and not refused and not crashed and len(games) >= a.games and status == 0
    if not ok and not a.keep:
        print("xboard output:\n" + "\n".join(output.splitlines()[-20:]))
    return gui.finish(workdir, a.keep, ok)


if __name__ == "__main__":
    sys.exit(main())
