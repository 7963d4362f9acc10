#!/usr/bin/env python3
"""Plays one whole game in GNOME Chess against an xboard engine, headless under
a private Xvfb server: GNOME Chess's human side is clicked with xdotool, its
moves chosen by fairymax, and the game is checked through what passed between
GNOME Chess and the engine.

    scripts/partida_gnome_chess.py [--timeout S] [--depth N] [--option CMD]...
                                   [--keep DIR] ENGINE

GNOME Chess speaks xboard protocol version 1 ("xboard", "random", the
options of its engines.conf, then "force", bare moves such as "e2e4", "go",
"undo"; never "protover", "new" nor a clock) and gives a game up when its
engine does not move within 30 s. A private HOME gets an engines.conf that
offers only the engine (behind scripts/transcripcion.py, so that every line is
written down) with the --option commands sent at the Easy level, and settings
(GSETTINGS_BACKEND=keyfile) that make it the opponent, the human White, no
clock, a 700x550 window. The human's moves come from a private fairymax
searching --depth plies; each is clicked on GNOME Chess's board (from square,
then to square) and each engine reply is passed back to fairymax, which so
also checks that the engine's moves are legal.

The run passes when GNOME Chess's title announces the end of the game ("White
Wins", "Black Wins" or "Game is Drawn"), fairymax refused none of the engine's
moves, and the engine answered nothing with "Error" or "Illegal move". Exit
status 0 on success, 1 on failure, 77 when GNOME Chess, fairymax, Xvfb,
xdotool, dbus-run-session or the engine is missing (the message says which).
--keep DIR keeps the transcript, the engine's directory and the settings.
"""
import argparse
import os
import re
import shutil
import subprocess
import sys
import tempfile
import threading
import queue
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
from partidas_xboard import OMITIR, find_program, start_xvfb, stop  # noqa: E402

REFUSED = re.compile(r"^(Error|Illegal move)")
MOVE = re.compile(r"^\s*([a-h][1-8][a-h][1-8][qrbnQRBN]?)\s*$")
ENGINE_MOVE = re.compile(r"^move\s+([a-h][1-8][a-h][1-8][qrbnQRBN]?)\s*$")
TRANSCRIPT = re.compile(r"^(\d+\.\d+) ([<>=]) ?(.*)$")
FINISHED = re.compile(r"White Wins|Black Wins|Game is Drawn")

# GNOME Chess 43 in a 700x550 window draws the board from (158, 82) with
# squares of 48 pixels, White at the bottom when the human plays White.
BOARD_LEFT, BOARD_TOP, SQUARE = 158, 82, 48


def square_centre(name):
    file = ord(name[0]) - ord("a")
    rank = int(name[1])
    return BOARD_LEFT + SQUARE * file + SQUARE // 2, BOARD_TOP + SQUARE * (8 - rank) + SQUARE // 2


def read_transcript(path):
    lines = []
    try:
        with open(path, encoding="utf-8", errors="replace") as f:
            for raw in f:
                m = TRANSCRIPT.match(raw.rstrip("\n"))
                if m:
                    lines.append((float(m.group(1)), m.group(2), m.group(3)))
    except OSError:
        pass
    return lines


class Fairymax:
    """fairymax over pipes, in force mode except while it chooses a move."""

    def __init__(self, program, depth):
        self.proc = subprocess.Popen([program], stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                                     stderr=subprocess.DEVNULL, text=True, bufsize=1)
        self.lines = queue.Queue()
        threading.Thread(target=self._read, daemon=True).start()
        self.send("xboard")
        self.send("protover 2")
        self.wait_for(lambda l: "done=1" in l, 10)
        for command in ("new", "force", "sd %d" % depth):
            self.send(command)

    def _read(self):
        for line in self.proc.stdout:
            self.lines.put(line.strip())
        self.lines.put(None)

    def send(self, text):
        self.proc.stdin.write(text + "\n")
        self.proc.stdin.flush()

    def wait_for(self, test, seconds):
        deadline = time.time() + seconds
        while time.time() < deadline:
            try:
                line = self.lines.get(timeout=max(0.01, deadline - time.time()))
            except queue.Empty:
                break
            if line is None:
                return None
            if test(line):
                return line
        return None

    def choose(self):
        self.send("go")
        line = self.wait_for(lambda l: l.startswith("move ") or "{" in l, 30)
        self.send("force")
        if line and line.startswith("move "):
            return line.split()[1]
        return None

    def play(self, move):
        """Tells fairymax the opponent's move; the "Illegal move" line, if any."""
        self.send(move)
        self.send("ping 1")
        answer = self.wait_for(lambda l: l.startswith("Illegal") or l.startswith("pong"), 10)
        return answer if answer and answer.startswith("Illegal") else None

    def close(self):
        try:
            self.send("quit")
            self.proc.wait(timeout=5)
        except Exception:
            self.proc.kill()


def xdotool(display, *args):
    return subprocess.run(["xdotool"] + list(args), env=dict(os.environ, DISPLAY=display),
                          capture_output=True, text=True).stdout


def main_window(display):
    for w in xdotool(display, "search", "--onlyvisible", "--class", "gnome-chess").split():
        geometry = xdotool(display, "getwindowgeometry", w)
        if "700x550" in geometry:
            return w
    return None


def click(display, square):
    x, y = square_centre(square)
    xdotool(display, "mousemove", str(x), str(y), "click", "1")


def main():
    ap = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    ap.add_argument("--timeout", type=float, default=170, help="seconds for the game")
    ap.add_argument("--depth", type=int, default=2, help="fairymax's search depth")
    ap.add_argument("--option", action="append", default=[],
                    help="a command GNOME Chess sends the engine at start (engines.conf)")
    ap.add_argument("--keep", metavar="DIR")
    ap.add_argument("engine")
    a = ap.parse_args()

    for program, package in (("gnome-chess", "gnome-chess"), ("fairymax", "fairymax"),
                             ("xdotool", "xdotool"), ("dbus-run-session", "dbus-daemon")):
        if find_program(program) is None:
            print("SKIP: %s is not installed (Debian package %s)" % (program, package))
            return OMITIR
    engine = find_program(a.engine)
    if engine is None:
        print("SKIP: engine not found: %s" % a.engine)
        return OMITIR

    workdir = a.keep or tempfile.mkdtemp(prefix="partida_gnome_chess_")
    os.makedirs(workdir, exist_ok=True)
    home = os.path.join(workdir, "home")
    config = os.path.join(home, ".config")
    runtime = os.path.join(workdir, "run")
    engine_dir = os.path.join(workdir, "engine")
    for d in (os.path.join(config, "gnome-chess"), os.path.join(config, "glib-2.0", "settings"),
              runtime, engine_dir):
        os.makedirs(d, exist_ok=True)
    os.chmod(runtime, 0o700)
    transcript = os.path.join(workdir, "engine.transcript")
    if os.path.exists(transcript):
        os.remove(transcript)
    wrapper = os.path.join(workdir, os.path.basename(engine))
    with open(wrapper, "w") as f:
        f.write("#!/bin/sh\nexec %s %s --log %s --cwd %s %s \"$@\"\n" % (
            sys.executable, os.path.join(HERE, "transcripcion.py"), transcript, engine_dir,
            engine))
    os.chmod(wrapper, 0o755)
    with open(os.path.join(config, "gnome-chess", "engines.conf"), "w") as f:
        f.write("[Engine]\nprotocol=cecp\nbinary=%s\n" % wrapper)
        for level in ("easy", "normal", "hard"):
            for n, command in enumerate(a.option):
                f.write("option-%s-%d=%s\n" % (level, n, command))
    with open(os.path.join(config, "glib-2.0", "settings", "keyfile"), "w") as f:
        f.write("[org/gnome/Chess]\nopponent='Engine'\nplay-as='white'\ndifficulty='easy'\n"
                "duration=0\nwidth=700\nheight=550\nmaximized=false\nboard-side='white'\n")

    xvfb, display = start_xvfb(workdir)
    if xvfb is None:
        print("SKIP: " + display)
        if not a.keep:
            shutil.rmtree(workdir, ignore_errors=True)
        return OMITIR

    env = dict(os.environ, DISPLAY=display, HOME=home, XDG_CONFIG_HOME=config,
               XDG_RUNTIME_DIR=runtime, GSETTINGS_BACKEND="keyfile", GDK_BACKEND="x11",
               G_MESSAGES_DEBUG="gnome-chess")
    started = time.time()
    problems = []
    title = ""
    plies = 0
    brain = Fairymax(find_program("fairymax"), a.depth)
    try:
        proc = subprocess.Popen(["dbus-run-session", "--", find_program("gnome-chess")],
                                cwd=workdir, env=env, stdin=subprocess.DEVNULL,
                                stdout=subprocess.DEVNULL,
                                stderr=open(os.path.join(workdir, "gnome-chess.log"), "w"),
                                start_new_session=True)
        try:
            window = None
            deadline = time.time() + 40
            while window is None and time.time() < deadline:
                time.sleep(0.5)
                window = main_window(display)
            if window is None:
                problems.append("GNOME Chess's window never appeared")
            seen = 0      # engine moves already passed to fairymax
            while window and not problems and time.time() - started < a.timeout:
                title = xdotool(display, "getwindowname", window).strip()
                if FINISHED.search(title):
                    break
                # Every reply of the engine goes to fairymax as soon as it is written.
                moves = [m.group(1) for _, way, text in read_transcript(transcript)
                         if way == "<" for m in [ENGINE_MOVE.match(text)] if m]
                for move in moves[seen:]:
                    refusal = brain.play(move.lower())
                    plies += 1
                    if refusal:
                        problems.append("fairymax refused the engine's move %s: %s" %
                                        (move, refusal))
                seen = len(moves)
                if problems:
                    break
                # "White to Move" or "White is in Check": the human's turn.
                if not title.startswith("White") or "Thinking" in title:
                    time.sleep(0.3)
                    continue
                move = brain.choose()
                if move is None:
                    # Mate or a draw: GNOME Chess's title may take a moment to say so.
                    deadline = time.time() + 5
                    while time.time() < deadline and not FINISHED.search(title):
                        time.sleep(0.3)
                        title = xdotool(display, "getwindowname", window).strip()
                    if not FINISHED.search(title):
                        problems.append("fairymax chose no move in a position GNOME Chess "
                                        "calls \"%s\"" % title)
                    break
                received = sum(1 for _, way, text in read_transcript(transcript)
                               if way == ">" and MOVE.match(text))
                click(display, move[:2])
                time.sleep(0.3)
                click(display, move[2:4])
                if len(move) == 5:
                    # The promotion dialog offers the queen first.
                    time.sleep(1.0)
                    xdotool(display, "key", "Return")
                deadline = time.time() + 10
                while time.time() < deadline:
                    time.sleep(0.2)
                    now = sum(1 for _, way, text in read_transcript(transcript)
                              if way == ">" and MOVE.match(text))
                    if now > received:
                        break
                    if FINISHED.search(xdotool(display, "getwindowname", window)):
                        break
                else:
                    problems.append("GNOME Chess did not pass the clicked move %s on" % move)
                plies += 1
            else:
                if window and not problems:
                    problems.append("the game did not end within %.0f s" % a.timeout)
            if window:
                title = xdotool(display, "getwindowname", window).strip()
        finally:
            stop(proc)
    finally:
        brain.close()
        stop(xvfb)
    seconds = time.time() - started

    lines = read_transcript(transcript)
    for _, way, text in lines:
        if way == "<" and REFUSED.match(text):
            problems.append("the engine answered: " + text)
    sent = sorted({text.split()[0] for _, way, text in lines
                   if way == ">" and text.strip() and not MOVE.match(text)})
    print("GNOME Chess: %d plies in %.0f s, title \"%s\"" % (plies, seconds, title))
    print("commands from GNOME Chess besides moves: " + " ".join(sent))
    for p in problems:
        print("FAIL: " + p)
    ok = not problems and bool(FINISHED.search(title))
    if not ok and not problems:
        print("FAIL: GNOME Chess did not announce the end of the game")
    if not ok and not a.keep:
        print("last lines of the engine's transcript:")
        for t, way, text in lines[-10:]:
            print("  %.3f %s %s" % (t, way, text))
    if not a.keep:
        shutil.rmtree(workdir, ignore_errors=True)
    return 0 if ok else 1


if __name__ == "__main__":
    sys.exit(main())
