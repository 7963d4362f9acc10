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
[movestogo N]", "bestmove"; with --ponder "go ponder" on the reply it named,
then "ponderhit" or "stop"). Colours alternate. The referee (arbitro.py)
checks every move and every result line: a game ends with checkmate,
stalemate or a dead position on the board, with a result line the rules
allow (a resignation, a mate, a draw by stalemate, dead position, threefold
repetition or fifty moves), or with a fault charged to one engine: an illegal
move, a legal move refused ("Illegal move", or a UCI "info string" saying
so), a crash, a hang (silent 5 s past its clock), a loss on time (a move
after its clock ran out), a false claim (a result line the rules do not
allow; it loses the game), or a missed claim (an xboard engine's move reached
a threefold repetition or the fifty-move mark and it did not announce the
draw within a second; the referee then ends the game drawn; a UCI engine's
game is drawn there without a fault). Also the ply cap (scored as unfinished).
Exit status is 0 only when no game had a fault. Moves are passed on in
coordinates whatever notation the engine used. --ponder applies to both
engines. With --fen every game starts from that position ("setboard",
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
import array
import fcntl
import math
import os
import queue
import re
import shlex
import shutil
import subprocess
import sys
import tempfile
import termios
import threading
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import arbitro  # noqa: E402  (the referee lives beside this script)

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
        # Each line carries the moment it was read off the pipe: a move is
        # timed by its arrival, as a front end times it, not by when this
        # script got round to it behind a flood of thinking lines.
        for line in self.proc.stdout:
            self.lines.put((time.time(), line.rstrip("\n")))
        self.lines.put((time.time(), None))

    def send(self, text):
        try:
            self.proc.stdin.write(text + "\n")
            self.proc.stdin.flush()
        except (BrokenPipeError, OSError):
            pass

    def line(self, timeout):
        """The next line ("" if none came in time, None at end of output);
        self.when is the moment it arrived."""
        try:
            self.when, l = self.lines.get(timeout=max(timeout, 0.001))
            return l
        except queue.Empty:
            self.when = time.time()
            return ""

    def line_now(self):
        """The next line already read, or False if there is none."""
        try:
            self.when, l = self.lines.get_nowait()
            return l
        except queue.Empty:
            return False

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

    def after_move(self, moves, clocks, level, st, ref):
        """An xboard engine ponders by itself after its move (given "hard")."""

    def game_over(self, result):
        self.send("result " + result)

    def at_work(self):
        """Whether a silent engine is still running (its process runnable) or
        has output this script has not read yet. On a loaded machine the
        silence may be the machine's, not the engine's: it is then given more
        time (up to HANG_LIMIT), and a move that comes late still loses on time."""
        if not self.lines.empty():
            return True
        try:
            waiting = array.array("i", [0])
            fcntl.ioctl(self.proc.stdout.fileno(), termios.FIONREAD, waiting)
            if waiting[0] > 0:
                return True
        except (OSError, ValueError):
            pass
        try:
            with open("/proc/%d/stat" % self.proc.pid) as f:
                return f.read().rsplit(")", 1)[1].split()[0] == "R"
        except (OSError, IndexError):
            return False

    def quit(self):
        self.send("quit")
        self.killed = False
        try:
            self.proc.wait(timeout=3)
        except subprocess.TimeoutExpired:
            self.killed = True
            self.proc.kill()
            self.proc.wait()
        return self.proc.returncode


class UciEngine(Engine):
    """An engine spoken to in UCI: it is given the whole game and the clocks
    with each "go"; it never announces a result."""

    def __init__(self, command, workdir):
        Engine.__init__(self, command, workdir)
        # Set before any game: an engine that fails at start-up is still ended.
        self.ponder = False
        self.expected = None
        self.pondering = None

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
        self.ponder = ponder
        self.expected = None    # the reply it named with its last move
        self.pondering = None   # the reply it is thinking on, after "go ponder"
        if ponder:
            self.send("setoption name Ponder value true")
        self.send("ucinewgame")
        self.handshake("isready", "readyok", 10)

    def wait_first(self):
        pass

    def game_over(self, result):
        if self.pondering:
            self.send("stop")

    def after_move(self, moves, clocks, level, st, ref):
        """With pondering on, thinks on the reply it expects ("go ponder")."""
        if not self.ponder or not self.expected or ref.pos.parse(self.expected) is None:
            return
        self.pondering = ref.pos.uci(ref.pos.parse(self.expected))
        self.send("position " + self.start_position + " moves " + " ".join(moves + [self.pondering]))
        self.send(self.go_command(len(moves) + 1, clocks, level, st).replace("go", "go ponder", 1))

    def begin_turn(self, ply, moves, clocks, side, level, st=None):
        if self.pondering:
            pondered, self.pondering = self.pondering, None
            if moves and moves[-1] == pondered:
                self.send("ponderhit")
                return
            # Another reply: the pondering search ends with a bestmove that
            # does not count, then the real search starts.
            self.send("stop")
            limit = time.time() + 5
            while True:
                l = self.line(limit - time.time())
                if l is None:
                    raise RuntimeError("%s died while pondering" % self.name)
                if time.time() > limit:
                    raise RuntimeError("%s did not stop pondering" % self.name)
                if l.startswith("bestmove"):
                    break
        self.send("position " + self.start_position +
                  (" moves " + " ".join(moves) if moves else ""))
        self.send(self.go_command(ply, clocks, level, st))

    def go_command(self, ply, clocks, level, st):
        if st:
            return "go movetime %d" % int(st * 1000)
        mps, base, inc = parse_level(level)
        # clocks[0] is White's, clocks[1] Black's.
        go = "go wtime %d btime %d" % (max(0, clocks[0] * 1000), max(0, clocks[1] * 1000))
        if inc:
            go += " winc %d binc %d" % (inc * 1000, inc * 1000)
        if mps:
            go += " movestogo %d" % (mps - (ply // 2) % mps)
        return go

    def judge(self, line):
        if line.startswith("bestmove"):
            words = line.split()
            if len(words) < 2 or words[1] in ("0000", "(none)"):
                return ("nomove", line)
            self.expected = words[3] if len(words) >= 4 and words[2] == "ponder" else None
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


HANG_GRACE = 5.0  # past its clock, a silent engine is taken for hung after this
HANG_LIMIT = 60.0  # ... unless it is at work (Engine.at_work), up to this
CLAIM_WAIT = 1.0  # seconds an xboard engine has to announce the end its move reached
# Faults, each charged to one engine: an illegal move (or none, or one out of
# turn), a legal move refused, a crash (the engine's output ended, a start-up
# failure, an exit status other than 0 after quit), a hang (silent HANG_GRACE
# seconds past its clock, or no answer at start-up or to quit), a loss on time,
# a false claim, a missed claim.
FAULTS = ("illegal", "refused", "crash", "hang", "time", "false-claim", "missed-claim")


def play(cmd_white, cmd_black, level, max_plies, log, ponder=False, fen=None, st=None,
         copy=None):
    """One game judged by the referee (arbitro.py). Returns a dict: outcome
    (kind, text), result ("1-0", "0-1", "1/2-1/2" or None when unfinished),
    faults [(0 for White's engine or 1 for Black's, kind, text)], moves,
    worst (longest move, s), plies, exceso (see exceso_limite) and fijo (st
    only: late moves, worst excess and latency per engine)."""
    mps, base, inc = parse_level(level)
    if st:
        mps, base, inc = 0, st, 0.0
    dirs = [tempfile.mkdtemp(prefix="partida_"), tempfile.mkdtemp(prefix="partida_")]
    for d in dirs:
        for f in (COPY_FILES if copy is None else copy):
            shutil.copy(f, d)
    if KEEP_DIRS:
        log.write("directories: white %s, black %s\n" % (dirs[0], dirs[1]))
    ref = arbitro.Arbitro(fen)
    engines = []
    clocks = [base, base]
    moves_made = [0, 0]
    used_times = [[], []]
    worst = 0.0
    latencies = [0.0, 0.0]
    late = [0, 0]
    worst_excess = [None, None]
    faults = []
    state = {"outcome": None, "result": None}
    moves = []
    ply = 0

    def loss(side):
        return "0-1" if side == 0 else "1-0"

    def fault(side, kind, text):
        faults.append((side, kind, text))
        e = engines[side] if 0 <= side < len(engines) else None
        log.write("FAULT %s %s: %s\n" % (e.name if e else "?", kind, text))
        if state["outcome"] is None:
            state["outcome"] = (kind, text)
            state["result"] = loss(side)

    def claim(side, line):
        """A result line: accepted, or a false claim that loses the game."""
        r = RESULT.match(line).group(1)
        ok, reason = ref.juzgar(r, side == 0)
        if ok:
            state["outcome"] = ("result", "%s (%s)" % (line, engines[side].name))
            state["result"] = r
        else:
            fault(side, "false-claim", "%s announced %r at %s: %s" % (
                engines[side].name, line, ref.pos.fen(), reason))

    def heard(side, l, on_move):
        """Judges one line of an engine; returns the move it gives, if any."""
        e = engines[side]
        log.write("%s> %s\n" % (e.name, l))
        verdict = e.judge(l)
        if verdict is None:
            return None
        if verdict[0] == "result":
            claim(side, l)
        elif verdict[0] == "illegal":
            # A refusal names the move it refuses, or nothing at all.
            if on_move and moves and (moves[-1] in l or l.strip().rstrip(":") == "Illegal move"):
                fault(side, "refused", "%s refused the legal %s at %s: %s" % (
                    e.name, moves[-1], ref.pos.fen(), l))
        elif verdict[0] == "nomove":
            fault(side, "illegal", "%s gave no move at %s: %s" % (e.name, ref.pos.fen(), l))
        elif not on_move:
            fault(side, "illegal", "%s moved out of turn: %s" % (e.name, l))
        else:
            return verdict[1]
        return None

    def listen_other(side):
        """The lines the engine not on move wrote meanwhile (thinking while
        pondering; a late claim, a resignation, a crash)."""
        e = engines[side]
        while state["outcome"] is None:
            l = e.line_now()
            if l is False:
                return
            if l is None:
                fault(side, "crash", "%s died on its opponent's time" % e.name)
                return
            if l:
                heard(side, l, False)

    try:
        for i, cmd in enumerate((cmd_white, cmd_black)):
            try:
                engines.append(new_engine(cmd, dirs[i]))
            except OSError as err:
                engines.append(None)
                raise RuntimeError("%s cannot start: %s" % (cmd, err))
        for i, e in enumerate(engines):
            try:
                e.start()
                if st:
                    latencies[i] = e.latency()
                    log.write("%s latency %.4f s\n" % (e.name, latencies[i]))
                e.new_game(level, ponder, fen, st)
            except RuntimeError as err:
                fault(i, "crash" if "died" in str(err) else "hang", str(err))
                break
        first = 0 if ref.pos.white_to_move else 1
        if state["outcome"] is None:
            engines[1 - first].wait_first()
        for ply in range(max_plies):
            if state["outcome"]:
                break
            end = ref.fin()
            if end:
                state["outcome"] = ("result", "%s {%s, by the referee}" % end)
                state["result"] = end[0]
                break
            side = 0 if ref.pos.white_to_move else 1
            me = engines[side]
            t0 = time.time()
            if st:
                clocks[side] = st + 1.0  # the move is lost on time past this
            try:
                me.begin_turn(ply, moves, clocks, side, level, st)
            except RuntimeError as err:
                fault(side, "crash" if "died" in str(err) else "hang", str(err))
                break
            move = None
            while move is None and state["outcome"] is None:
                remaining = clocks[side] + HANG_GRACE - (time.time() - t0)
                if remaining <= 0 and time.time() - t0 < clocks[side] + HANG_LIMIT \
                        and me.at_work():
                    remaining = 0.05
                if remaining <= 0:
                    fault(side, "hang", "%s silent %.0f s past its clock at %s" % (
                        me.name, HANG_GRACE, ref.pos.fen()))
                    break
                l = me.line(min(remaining, 0.05))
                listen_other(1 - side)
                if l is None:
                    fault(side, "crash", "%s died on move at %s" % (me.name, ref.pos.fen()))
                elif l:
                    move = heard(side, l, True)
            if state["outcome"]:
                break
            used = max(me.when - t0, 0.0)
            before = ref.pos.fen()
            uci = ref.jugar(move)
            if uci is None:
                fault(side, "illegal", "%s played %s at %s" % (me.name, move, before))
                break
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
            moves.append(uci)
            if clocks[side] < 0:
                fault(side, "time", "%s lost on time: %s after %.2f s at %s" % (
                    me.name, uci, used, before))
                break
            moves_made[side] += 1
            clocks[side] += inc
            if mps and moves_made[side] % mps == 0:
                clocks[side] += base
            # The mover may announce the game's end right after its move; it is
            # given longer when the referee knows there is an end to announce.
            end, draw = ref.fin(), ref.reclamable()
            claims = not isinstance(me, UciEngine)
            wait = CLAIM_WAIT if (end or draw) and claims else 0.1
            t1 = time.time()
            while time.time() - t1 < wait and state["outcome"] is None:
                l = me.line(wait - (time.time() - t1))
                if l is None:
                    break
                if l:
                    heard(side, l, False)
            if state["outcome"] or end:
                continue  # the top of the loop ends a game over on the board
            if draw:
                if claims:
                    fault(side, "missed-claim", "%s did not claim the %s after %s at %s" % (
                        me.name, draw, uci, ref.pos.fen()))
                state["outcome"] = state["outcome"] or (
                    "result", "1/2-1/2 {%s, by the referee}" % draw)
                state["result"] = "1/2-1/2"
                break
            me.after_move(moves, clocks, level, st, ref)
        end = ref.fin()
        if state["outcome"] is None and end:
            state["outcome"] = ("result", "%s {%s, by the referee}" % end)
            state["result"] = end[0]
        if state["outcome"] is None:
            state["outcome"] = ("unfinished", "ply cap")
        if state["result"]:
            for e in engines:
                e.game_over("%s {%s}" % (state["result"], state["outcome"][0]))
    except RuntimeError as err:
        if state["outcome"] is None:
            fault(len(engines) - 1, "crash", str(err))
    finally:
        for i, e in enumerate(engines):
            if e is None:
                continue
            code = e.quit()
            crashed = any(f[0] == i and f[1] == "crash" for f in faults)
            if e.killed:
                fault(i, "hang", "%s did not quit within 3 s" % e.name)
            elif code not in (0, None) and not crashed:
                fault(i, "crash", "%s exit status %s" % (e.name, code))
    # While pondering the engines log budgets for searches no clock charges.
    exceso = None if ponder else exceso_limite(dirs, used_times)
    if not KEEP_DIRS:
        for d in dirs:
            shutil.rmtree(d, ignore_errors=True)
    return {"outcome": state["outcome"], "result": state["result"], "faults": faults,
            "moves": moves, "worst": worst, "plies": len(moves), "exceso": exceso,
            "fijo": (late, worst_excess, latencies) if st else None}


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
            partida = play(white, black, a.level, a.max_plies, log, a.ponder, fen, a.st)
            (kind, text), worst, plies = partida["outcome"], partida["worst"], partida["plies"]
            exceso, fijo = partida["exceso"], partida["fijo"]
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
            for side, fkind, ftext in partida["faults"]:
                if kind != fkind or text != ftext:
                    print("         fault %s: %s" % (fkind, ftext), flush=True)
            faults += len(partida["faults"])
            r = partida["result"]
            if r:
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
