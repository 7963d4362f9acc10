#!/usr/bin/env python3
"""Plays whole games between two chess engines over pipes, with clocks kept by
this script, and reports every result.

    scripts/partidas.py [--games N] [--level "0 0:20 0" | --st SECONDS]
                        [--max-plies 300] [--ponder] [--keep-dirs] [--fen FEN]
                        [--openings FILE] [--copy FILE]...
                        ENGINE_A ENGINE_B

Each ENGINE is a command line (quote it when it has arguments) of an xboard
(protocol 2) engine, or, written "uci:COMMAND", of an engine spoken to in UCI
("position startpos moves ...", "go wtime ... btime ... winc ... binc ...
[movestogo N]", "bestmove"). Colours alternate. A game ends with the result
line an xboard engine announces, an illegal move (an xboard opponent says
"Illegal move", a UCI opponent says so in an "info string"), a time forfeit (a
clock below zero), a silent engine, a UCI engine without a move ("bestmove
0000" or "(none)": mate or stalemate, which this script cannot tell apart), or
the ply cap (scored as unfinished). Exit status is 0 only when no game ended by
an illegal move, a crash, a forfeit or a silent engine. --ponder applies to
the xboard engines. With --fen every game starts from that position ("setboard",
or "edit" for xboard engines without setboard, "position fen" for UCI ones),
the side to move first. With --openings (one FEN per line; scripts/aperturas.txt
holds 50 balanced eight-ply openings) games 2k+1 and 2k+2 start from line k+1
with colours exchanged, so each engine plays each opening once with each colour.
The summary gives the score with its 95% error margin and the Elo difference.
The xboard engines are also sent the result ("result 1-0 {...}") as a front
end does. Each engine runs in a fresh working directory that receives the
--copy files (books, personality files).

--st gives both engines a fixed time per move ("st N" for xboard engines, "go
movetime" for UCI ones) instead of a clock. Each engine's pipe latency (the
median ping/pong or isready/readyok round trip) is measured before every game;
a move later than the fixed time plus that latency counts as late, one later
than the fixed time plus a second loses on time. The report gives each game's
latest move against that limit and the number of late moves per engine.
"""
import argparse
import math
import os
import queue
import re
import shlex
import shutil
import subprocess
import sys
import tempfile
import threading
import time

KEEP_DIRS = False  # --keep-dirs: leave each engine's working directory (and log)
COPY_FILES = []    # --copy: files put into each engine's working directory

RESULT = re.compile(r"^(1-0|0-1|1/2-1/2)\s*(\{[^}]*\})?")


class Engine:
    """An xboard (protocol 2) engine."""

    def __init__(self, command, workdir):
        words = shlex.split(command)
        self.name = os.path.basename(words[0])
        # The engine starts in its own directory: a relative program path is
        # ours; a bare name is looked up in PATH and in /usr/games (Debian's).
        if os.sep in words[0]:
            words[0] = os.path.abspath(words[0])
        else:
            words[0] = shutil.which(words[0], path=os.environ.get("PATH", "") + ":/usr/games") \
                or words[0]
        self.proc = subprocess.Popen(words, stdin=subprocess.PIPE,
                                     stdout=subprocess.PIPE, stderr=subprocess.DEVNULL,
                                     cwd=workdir, text=True, bufsize=1)
        self.lines = queue.Queue()
        self.features = {}
        threading.Thread(target=self._reader, daemon=True).start()

    def _reader(self):
        for line in self.proc.stdout:
            self.lines.put(line.rstrip("\n"))
        self.lines.put(None)

    def send(self, text):
        try:
            self.proc.stdin.write(text + "\n")
            self.proc.stdin.flush()
        except (BrokenPipeError, OSError):
            pass

    def line(self, timeout):
        try:
            return self.lines.get(timeout=max(timeout, 0.001))
        except queue.Empty:
            return ""

    def start(self):
        self.send("xboard")
        self.send("protover 2")
        limit = time.time() + 5
        while time.time() < limit:
            l = self.line(limit - time.time())
            if l is None:
                raise RuntimeError(self.name + " died at start-up")
            if l.startswith("feature"):
                for k, v in re.findall(r'(\w+)=("[^"]*"|\S+)', l):
                    self.features[k] = v.strip('"')
                    self.send("accepted " + k)
                if self.features.get("done") == "1":
                    return
        # Engines without protocol 2 features are used as they are.

    def move_text(self, move):
        return ("usermove " + move) if self.features.get("usermove") == "1" else move

    def latency(self, n=5):
        """Median round trip of ping/pong, in seconds."""
        times = []
        for i in range(n):
            t0 = time.time()
            self.send("ping %d" % (900 + i))
            while True:
                l = self.line(t0 + 5 - time.time())
                if l is None or time.time() - t0 > 5:
                    raise RuntimeError(self.name + " did not answer ping")
                if l.strip() == "pong %d" % (900 + i):
                    break
            times.append(time.time() - t0)
        return sorted(times)[n // 2]

    def new_game(self, level, ponder, fen=None, st=None):
        self.send("new")
        if fen:
            self.send("force")
            if self.features.get("setboard") == "1":
                self.send("setboard " + fen)
            else:
                self.edit(fen)
        self.send(("st %g" % st) if st else ("level " + level))
        self.send("post")
        self.send("hard" if ponder else "easy")

    def edit(self, fen):
        """The position through the old "edit" mode, for engines without setboard."""
        board, side = fen.split()[0], fen.split()[1]
        men = {"w": [], "b": []}
        for r, row in enumerate(board.split("/")):
            f = 0
            for ch in row:
                if ch.isdigit():
                    f += int(ch)
                    continue
                men["w" if ch.isupper() else "b"].append("%s%s%d" % (ch.upper(), "abcdefgh"[f], 8 - r))
                f += 1
        if side == "b":
            self.send("black")
        self.send("edit")
        self.send("#")
        for m in men["w"]:
            self.send(m)
        self.send("c")
        for m in men["b"]:
            self.send(m)
        self.send(".")

    def wait_first(self):
        self.send("force")  # the second mover waits for the first move

    def begin_turn(self, ply, moves, clocks, side, level, st=None):
        """Asks for a move: the clocks, then the opponent's last move (or go)."""
        if not st:
            self.send("time %d" % int(clocks[side] * 100))
            self.send("otim %d" % int(clocks[1 - side] * 100))
        if ply == 0:
            self.send("go")
        elif ply == 1:
            self.send(self.move_text(moves[-1]))
            self.send("go")
        else:
            self.send(self.move_text(moves[-1]))

    def judge(self, line):
        """("move", m), ("illegal", text), ("result", text) or None."""
        if line.startswith("move "):
            return ("move", line.split()[1])
        if line.startswith("Illegal move"):
            return ("illegal", line)
        if RESULT.match(line):
            return ("result", line)
        return None

    def game_over(self, result):
        self.send("result " + result)

    def quit(self):
        self.send("quit")
        try:
            self.proc.wait(timeout=3)
        except subprocess.TimeoutExpired:
            self.proc.kill()
        return self.proc.returncode


class UciEngine(Engine):
    """An engine spoken to in UCI: it is given the whole game and the clocks
    with each "go"; it never announces a result."""

    def __init__(self, command, workdir):
        Engine.__init__(self, command, workdir)

    def handshake(self, question, answer, seconds):
        self.send(question)
        limit = time.time() + seconds
        while time.time() < limit:
            l = self.line(limit - time.time())
            if l is None:
                raise RuntimeError(self.name + " died at start-up")
            if l.startswith("id name "):
                self.name = l[8:].strip()
            if l.strip() == answer:
                return
        raise RuntimeError("%s did not answer %s" % (self.name, question))

    def start(self):
        self.handshake("uci", "uciok", 5)
        self.handshake("isready", "readyok", 10)

    def latency(self, n=5):
        times = []
        for _ in range(n):
            t0 = time.time()
            self.handshake("isready", "readyok", 5)
            times.append(time.time() - t0)
        return sorted(times)[n // 2]

    def new_game(self, level, ponder, fen=None, st=None):
        self.start_position = ("fen " + fen) if fen else "startpos"
        self.send("ucinewgame")
        self.handshake("isready", "readyok", 10)

    def wait_first(self):
        pass

    def game_over(self, result):
        pass

    def begin_turn(self, ply, moves, clocks, side, level, st=None):
        if st:
            self.send("position " + self.start_position +
                      (" moves " + " ".join(moves) if moves else ""))
            self.send("go movetime %d" % int(st * 1000))
            return
        mps, base, inc = parse_level(level)
        # clocks[0] is White's, clocks[1] Black's.
        go = "go wtime %d btime %d" % (max(0, clocks[0] * 1000), max(0, clocks[1] * 1000))
        if inc:
            go += " winc %d binc %d" % (inc * 1000, inc * 1000)
        if mps:
            go += " movestogo %d" % (mps - (ply // 2) % mps)
        self.send("position " + self.start_position +
                  (" moves " + " ".join(moves) if moves else ""))
        self.send(go)

    def judge(self, line):
        if line.startswith("bestmove"):
            words = line.split()
            if len(words) < 2 or words[1] in ("0000", "(none)"):
                return ("nomove", line)
            return ("move", words[1])
        if line.startswith("info string") and "llegal" in line:
            return ("illegal", line)
        return None


# An engine is named by its command line; "uci:" in front marks one that speaks
# UCI, since the rest of the script talks to both kinds alike.
def new_engine(engine_cmd, workdir):
    if engine_cmd.startswith("uci:"):
        return UciEngine(engine_cmd[4:], workdir)
    return Engine(engine_cmd, workdir)


def short_name(engine_cmd):
    return os.path.basename(shlex.split(engine_cmd[4:] if engine_cmd.startswith("uci:") else engine_cmd)[0])


def parse_level(level):
    mps, base, inc = level.split()
    if ":" in base:
        m, s = base.split(":")
        seconds = int(m) * 60 + int(s)
    else:
        seconds = int(base) * 60
    return int(mps), float(seconds), float(inc)


def play(cmd_white, cmd_black, level, max_plies, log, ponder=False, fen=None, st=None):
    mps, base, inc = parse_level(level)
    if st:
        mps, base, inc = 0, st, 0.0
    dirs = [tempfile.mkdtemp(prefix="partida_"), tempfile.mkdtemp(prefix="partida_")]
    for d in dirs:
        for f in COPY_FILES:
            shutil.copy(f, d)
    if KEEP_DIRS:
        log.write("directories: white %s, black %s\n" % (dirs[0], dirs[1]))
    engines = [new_engine(cmd_white, dirs[0]), new_engine(cmd_black, dirs[1])]
    clocks = [base, base]
    moves_made = [0, 0]
    used_times = [[], []]
    worst = 0.0
    latencies = [0.0, 0.0]
    late = [0, 0]
    worst_excess = [None, None]
    outcome = None
    try:
        for i, e in enumerate(engines):
            e.start()
            if st:
                latencies[i] = e.latency()
                log.write("%s latency %.4f s\n" % (e.name, latencies[i]))
            e.new_game(level, ponder, fen, st)
        first = 1 if fen and fen.split()[1:2] == ["b"] else 0
        engines[1 - first].wait_first()
        last = None
        moves = []
        for ply in range(max_plies):
            side = (ply + first) % 2
            me, other = engines[side], engines[1 - side]
            t0 = time.time()
            if st:
                clocks[side] = st + 1.0  # the move is lost on time past this
            me.begin_turn(ply, moves, clocks, side, level, st)
            move = None
            while move is None:
                remaining = clocks[side] - (time.time() - t0) + 2.0
                l = me.line(remaining)
                if l is None:
                    outcome = ("crash", "%s died" % me.name)
                    break
                if l == "":
                    if time.time() - t0 > clocks[side] + 2.0:
                        outcome = ("forfeit", "%s silent past its clock" % me.name)
                        break
                    continue
                log.write("%s> %s\n" % (me.name, l))
                verdict = me.judge(l)
                if verdict is None:
                    continue
                if verdict[0] == "move":
                    move = verdict[1]
                elif verdict[0] == "illegal":
                    outcome = ("illegal", "%s refused %s: %s" % (me.name, last, l))
                    break
                elif verdict[0] == "nomove":
                    outcome = ("nomove", "%s has no move: %s" % (me.name, l))
                    break
                else:
                    outcome = ("result", "%s (%s)" % (l, me.name))
                    break
            if outcome:
                break
            used = time.time() - t0
            used_times[side].append(used)
            log.write("%s used %.3f s\n" % (me.name, used))
            worst = max(worst, used)
            if st:
                excess = used - (st + latencies[side])
                worst_excess[side] = excess if worst_excess[side] is None else max(worst_excess[side], excess)
                if excess > 0:
                    late[side] += 1
                    log.write("%s late by %.3f s\n" % (me.name, excess))
            clocks[side] -= used
            if clocks[side] < 0:
                outcome = ("forfeit", "%s lost on time" % me.name)
                break
            moves_made[side] += 1
            clocks[side] += inc
            if mps and moves_made[side] % mps == 0:
                clocks[side] += base
            last = move
            moves.append(move)
            # The mover may announce the game's end right after its move.
            t1 = time.time()
            while time.time() - t1 < 0.1 and outcome is None:
                l = me.line(0.1 - (time.time() - t1))
                if l is None:
                    break
                if not l:
                    continue
                log.write("%s> %s\n" % (me.name, l))
                verdict = me.judge(l)
                if verdict and verdict[0] == "result":
                    outcome = ("result", "%s (%s)" % (l, me.name))
            if outcome:
                break
        if outcome is None:
            outcome = ("unfinished", "ply cap")
        if outcome[0] == "result":
            for e in engines:
                e.game_over(outcome[1].rsplit(" (", 1)[0])
    finally:
        codes = [e.quit() for e in engines]
    if outcome[0] == "result" and any(c not in (0, None) for c in codes):
        outcome = ("crash", "exit codes %s" % codes)
    # While pondering the engines log budgets for searches no clock charges.
    exceso = None if ponder else exceso_limite(dirs, used_times)
    if not KEEP_DIRS:
        for d in dirs:
            shutil.rmtree(d, ignore_errors=True)
    if st:
        return outcome, worst, ply + 1, exceso, (late, worst_excess, latencies)
    return outcome, worst, ply + 1, exceso, None


def exceso_limite(dirs, used_times):
    """Largest excess of a move's time over the hard limit the engine logged
    for it ("Tiempo extendido"), over the engines that write such a log."""
    peor = None
    for d, usados in zip(dirs, used_times):
        for nombre in sorted(os.listdir(d)):
            if not (nombre.startswith("Ze_") and nombre.endswith(".log")):
                continue
            with open(os.path.join(d, nombre), "rb") as f:
                texto = f.read().decode("latin-1")
            limites = [float(x) for x in re.findall(r"Tiempo extendido: ([0-9.]+)", texto)]
            for usado, limite in zip(usados, limites):
                exceso = usado - limite
                peor = exceso if peor is None else max(peor, exceso)
    return peor


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--games", type=int, default=2)
    ap.add_argument("--level", default="0 0:20 0")
    ap.add_argument("--st", type=float, default=None,
                    help="fixed seconds per move instead of a clock (xboard st, UCI movetime)")
    ap.add_argument("--max-plies", type=int, default=300)
    ap.add_argument("--log", default="partidas.log")
    ap.add_argument("--ponder", action="store_true", help="both engines think on the opponent's time")
    ap.add_argument("--keep-dirs", action="store_true",
                    help="keep each engine's working directory with its log")
    ap.add_argument("--fen", help="start every game from this position")
    ap.add_argument("--openings", help="file of FENs: each played twice, colours exchanged")
    ap.add_argument("--copy", action="append", default=[], metavar="FILE",
                    help="copy FILE into each engine's working directory (repeatable)")
    ap.add_argument("engine_a")
    ap.add_argument("engine_b")
    a = ap.parse_args()
    aperturas = []
    if a.openings:
        with open(a.openings) as f:
            aperturas = [l.strip() for l in f if l.strip() and not l.startswith("#")]
    global KEEP_DIRS
    KEEP_DIRS = a.keep_dirs
    COPY_FILES.extend(a.copy)
    score = {a.engine_a: 0.0, a.engine_b: 0.0}
    faults = 0
    puntos_a = []  # engine A's score of each decided game, for the error margin
    late_total = {a.engine_a: 0, a.engine_b: 0}
    worst_total = {a.engine_a: None, a.engine_b: None}
    with open(a.log, "w") as log:
        for g in range(a.games):
            white, black = (a.engine_a, a.engine_b) if g % 2 == 0 else (a.engine_b, a.engine_a)
            fen = aperturas[(g // 2) % len(aperturas)] if aperturas else a.fen
            log.write("=== game %d: %s - %s%s\n" % (g + 1, white, black,
                                                    "  from " + fen if fen else ""))
            (kind, text), worst, plies, exceso, fijo = play(white, black, a.level, a.max_plies, log,
                                                            a.ponder, fen, a.st)
            log.flush()
            limite = "" if exceso is None else "  vs limit %+.2fs" % exceso
            if fijo:
                late, excess, lat = fijo
                for engine_cmd, n, x in zip((white, black), late, excess):
                    late_total[engine_cmd] += n
                    if x is not None:
                        worst_total[engine_cmd] = x if worst_total[engine_cmd] is None else max(worst_total[engine_cmd], x)
                limite = "  vs st+latency %s, late %d/%d" % (
                    "/".join("-" if x is None else "%+.3fs" % x for x in excess), late[0], late[1])
            line = "game %2d  %-12s %-12s %4d plies  longest move %.2fs%s  %s: %s" % (
                g + 1, short_name(white), short_name(black),
                plies, worst, limite, kind, text)
            print(line, flush=True)
            if kind == "result":
                r = RESULT.match(text).group(1)
                if r == "1-0":
                    score[white] += 1
                elif r == "0-1":
                    score[black] += 1
                else:
                    score[white] += 0.5
                    score[black] += 0.5
                blanco_a = white == a.engine_a
                puntos_a.append({"1-0": 1.0 if blanco_a else 0.0, "0-1": 0.0 if blanco_a else 1.0,
                                 "1/2-1/2": 0.5}[r])
            elif kind not in ("unfinished", "nomove"):
                faults += 1
    print("score: %s %.1f - %.1f %s; faults: %d" % (a.engine_a, score[a.engine_a],
                                                     score[a.engine_b], a.engine_b, faults))
    if len(puntos_a) >= 2:
        n = len(puntos_a)
        media = sum(puntos_a) / n
        desvio = (sum((x - media) ** 2 for x in puntos_a) / (n - 1)) ** 0.5
        margen = 1.96 * desvio / n ** 0.5

        def elo(p):
            p = min(max(p, 1e-3), 1 - 1e-3)
            return -400 * math.log10(1 / p - 1)
        print("%s: %.1f%% +- %.1f%% of %d decided games (95%%), Elo %+.0f [%+.0f, %+.0f]" % (
            short_name(a.engine_a), 100 * media, 100 * margen, n, elo(media),
            elo(media - margen), elo(media + margen)))
    if a.st:
        for engine_cmd in (a.engine_a, a.engine_b):
            x = worst_total[engine_cmd]
            print("%s: latest move vs st + latency %s, late moves %d" % (
                short_name(engine_cmd), "-" if x is None else "%+.3fs" % x, late_total[engine_cmd]))
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main())
