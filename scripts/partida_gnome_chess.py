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
import os
import re
import subprocess
import sys
import threading
import queue
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import pruebas_gui as gui  # noqa: E402

MOVE = re.compile(r"^\s*([a-h][1-8][a-h][1-8][qrbnQRBN]?)\s*$")
FINISHED = re.compile(r"White Wins|Black Wins|Game is Drawn")

# GNOME Chess 43 in a 700x550 window draws the board from (158, 82) with
# squares of 48 pixels, White at the bottom when the human plays White.
BOARD_LEFT, BOARD_TOP, SQUARE = 158, 82, 48


def square_centre(name):
    file = ord(name[0]) - ord("a")
    rank = int(name[1])
    return BOARD_LEFT + SQUARE * file + SQUARE // 2, BOARD_TOP + SQUARE * (8 - rank) + SQUARE // 2


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


def main_window(display):
    for w in gui.xdotool(display, "search", "--onlyvisible", "--class", "gnome-chess").split():
        geometry = gui.xdotool(display, "getwindowgeometry", w)
        if "700x550" in geometry:
            return w
    return None


def click(display, square):
    x, y = square_centre(square)
    gui.xdotool(display, "mousemove", str(x), str(y), "click", "1")


def main():
    ap = gui.arguments(__doc__)
    ap.add_argument("--timeout", type=float, default=170, help="seconds for the game")
    ap.add_argument("--depth", type=int, default=2, help="fairymax's search depth")
    ap.add_argument("--option", action="append", default=[],
                    help="a command GNOME Chess sends the engine at start (engines.conf)")
    ap.add_argument("--keep", metavar="DIR")
    ap.add_argument("engine")
    a = ap.parse_args()

    if not gui.installed(("gnome-chess", "gnome-chess"), ("fairymax", "fairymax"),
                     ("xdotool", "xdotool"), ("dbus-run-session", "dbus-daemon")):
        return gui.OMITIR
    engine = gui.found_engine(a.engine, gui.find_program)
    if engine is None:
        return gui.OMITIR

    workdir = gui.work_directory(a.keep, "partida_gnome_chess_")
    home, config, runtime = gui.private_home(workdir)
    engine_dir = os.path.join(workdir, "engine")
    for d in (os.path.join(config, "gnome-chess"), os.path.join(config, "glib-2.0", "settings"),
              engine_dir):
        os.makedirs(d, exist_ok=True)
    transcript = gui.fresh(os.path.join(workdir, "engine.transcript"))
    wrapper = os.path.join(workdir, os.path.basename(engine))
    gui.write_wrapper(wrapper, transcript, engine_dir, engine)
    with open(os.path.join(config, "gnome-chess", "engines.conf"), "w") as f:
        f.write("[Engine]\nprotocol=cecp\nbinary=%s\n" % wrapper)
        for level in ("easy", "normal", "hard"):
            for n, command in enumerate(a.option):
                f.write("option-%s-%d=%s\n" % (level, n, command))
    with open(os.path.join(config, "glib-2.0", "settings", "keyfile"), "w") as f:
        f.write("[org/gnome/Chess]\nopponent='Engine'\nplay-as='white'\ndifficulty='easy'\n"
                "duration=0\nwidth=700\nheight=550\nmaximized=false\nboard-side='white'\n")

    xvfb, display = gui.xvfb_or_skip(workdir, a.keep)
    if xvfb is None:
        return gui.OMITIR

    env = dict(os.environ, DISPLAY=display, HOME=home, XDG_CONFIG_HOME=config,
               XDG_RUNTIME_DIR=runtime, GSETTINGS_BACKEND="keyfile", GDK_BACKEND="x11",
               G_MESSAGES_DEBUG="gnome-chess")
    started = time.time()
    problems = []
    title = ""
    plies = 0
    brain = Fairymax(gui.find_program("fairymax"), a.depth)
    try:
        proc = gui.start_under_dbus(gui.find_program("gnome-chess"), workdir, env,
                                    "gnome-chess.log")
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
                title = gui.xdotool(display, "getwindowname", window).strip()
                if FINISHED.search(title):
                    break
                # Every reply of the engine goes to fairymax as soon as it is written.
                moves = [m.group(1) for _, way, text in gui.read_transcript(transcript)
                         if way == "<" for m in [gui.ENGINE_MOVE.match(text)] if m]
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
                        title = gui.xdotool(display, "getwindowname", window).strip()
                    if not FINISHED.search(title):
                        problems.append("fairymax chose no move in a position GNOME Chess "
                                        "calls \"%s\"" % title)
                    break
                received = sum(1 for _, way, text in gui.read_transcript(transcript)
                               if way == ">" and MOVE.match(text))
                click(display, move[:2])
                time.sleep(0.3)
                click(display, move[2:4])
                if len(move) == 5:
                    # The promotion dialog offers the queen first.
                    time.sleep(1.0)
                    gui.xdotool(display, "key", "Return")
                deadline = time.time() + 10
                while time.time() < deadline:
                    time.sleep(0.2)
                    now = sum(1 for _, way, text in gui.read_transcript(transcript)
                              if way == ">" and MOVE.match(text))
                    if now > received:
                        break
                    if FINISHED.search(gui.xdotool(display, "getwindowname", window)):
                        break
                else:
                    problems.append("GNOME Chess did not pass the clicked move %s on" % move)
                plies += 1
            else:
                if window and not problems:
                    problems.append("the game did not end within %.0f s" % a.timeout)
            if window:
                title = gui.xdotool(display, "getwindowname", window).strip()
        finally:
            gui.stop(proc)
    finally:
        brain.close()
        gui.stop(xvfb)
    seconds = time.time() - started

    lines = gui.read_transcript(transcript)
    for _, way, text in lines:
        if way == "<" and gui.REFUSED.match(text):
            problems.append("the engine answered: " + text)
    sent = gui.commands_besides_moves(lines, MOVE)
    print("GNOME Chess: %d plies in %.0f s, title \"%s\"" % (plies, seconds, title))
    print("commands from GNOME Chess besides moves: " + " ".join(sent))
    for p in problems:
        print("FAIL: " + p)
    ok = not problems and bool(FINISHED.search(title))
    if not ok and not problems:
        print("FAIL: GNOME Chess did not announce the end of the game")
    if not ok and not a.keep:
        print("last lines of the engine's transcript:")
        gui.print_tail(lines, 10)
    return gui.finish(workdir, a.keep, ok)


if __name__ == "__main__":
    sys.exit(main())
