#!/usr/bin/env python3
"""Checks how scripts/partidas.py judges a game: scripted engines play known
moves and claims, and each game must end with the result and the faults the
rules give (an illegal move, a false claim, a missed or a good repetition
claim, a crash, a refused move, a loss on time, a silent engine).

    scripts/prueba_arbitraje.py               # the checks; exit status 1 on a failure
    scripts/prueba_arbitraje.py --motor WORD...  # one scripted xboard engine

A scripted engine answers "protover 2" with its features and "ping" with
"pong" (or "uci" and "isready" with "uciok" and "readyok", its moves then
given as "bestmove M"); on its turn it takes the next words of its script: a move is sent as
"move M", "claim:TEXT" as the line TEXT (underscores for blanks), "die" ends
the process with status 3, "refuse" answers "Illegal move: M" to the move it
was just given, "sleep:S" waits S seconds, "think:N" writes N thinking lines
at once before the move that follows.
"""
import io
import os
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))


def motor(script):
    out = sys.stdout
    on_move = False
    last = None

    def turn():
        while script:
            w = script.pop(0)
            if w.startswith("claim:"):
                out.write(w[6:].replace("_", " ") + "\n")
            elif w == "die":
                out.flush()
                os._exit(3)
            elif w == "refuse":
                out.write("Illegal move: %s\n" % last)
                out.flush()
                return
            elif w.startswith("sleep:"):
                out.flush()
                time.sleep(float(w[6:]))
            elif w.startswith("think:"):
                for d in range(int(w[6:])):
                    out.write("%d 0 0 %d e2e4\n" % (d % 99 + 1, d))
            else:
                out.write("move %s\n" % w)
                if script and script[0].startswith("claim:"):
                    continue  # a claim right after the move
                break
        out.flush()

    def uci_turn():
        while script:
            w = script.pop(0)
            if w == "die":
                out.flush()
                os._exit(3)
            out.write("bestmove %s\n" % w)
            break
        out.flush()

    uci = False
    for line in sys.stdin:
        words = line.split()
        if not words:
            continue
        if words[0] == "uci":
            uci = True
            out.write("id name guion\nuciok\n")
        elif words[0] == "isready":
            out.write("readyok\n")
        elif words[0] == "go" and uci:
            uci_turn()
        elif words[0] == "go":
            on_move = True
            turn()
        elif words[0] == "protover":
            out.write("feature usermove=1 setboard=1 ping=1 done=1\n")
        elif words[0] == "ping":
            out.write("pong %s\n" % words[1])
        elif words[0] in ("new", "force"):
            on_move = False
        elif words[0] == "usermove":
            last = words[1]
            if on_move:
                turn()
        elif words[0] == "quit":
            break
        out.flush()


def engine(words):
    return "%s %s --motor %s" % (sys.executable, os.path.abspath(__file__), " ".join(words))


def checks():
    import partidas
    knights_w = "g1f3 f3g1 g1f3 f3g1".split()
    knights_b = "g8f6 f6g8 g8f6 f6g8".split()
    cases = [
        # (what, white's script, black's script, result, [(side, fault)])
        ("an illegal move loses", ["e2e5"], ["e7e5"], "0-1", [(0, "illegal")]),
        ("a win claimed without mate", ["e2e4", "claim:1-0_{mate}"], ["e7e5"], "0-1",
         [(0, "false-claim")]),
        ("a draw claimed without a rule", ["e2e4"], ["e7e5", "claim:1/2-1/2_{draw}"], "1-0",
         [(1, "false-claim")]),
        ("a resignation", ["e2e4", "claim:0-1_{White resigns}"], ["e7e5"], "0-1", []),
        ("the repetition claimed by the mover", knights_w, knights_b[:3] + ["f6g8", "claim:1/2-1/2_{rep}"],
         "1/2-1/2", []),
        ("the repetition not claimed", knights_w + ["g1f3"], knights_b + ["g8f6"], "1/2-1/2",
         [(1, "missed-claim")]),
        ("fool's mate, ended by the referee", ["f2f3", "g2g4"], ["e7e5", "d8h4"], "0-1", []),
        ("fool's mate claimed", ["f2f3", "g2g4"], ["e7e5", "d8h4", "claim:0-1_{Black_mates}"], "0-1", []),
        ("a crash", ["e2e4", "die"], ["e7e5"], "0-1", [(0, "crash")]),
        ("a legal move refused", ["e2e4", "g1f3"], ["refuse"], "1-0", [(1, "refused")]),
        ("a loss on time", ["e2e4", "sleep:2.5", "g1f3"], ["e7e5", "b8c6"], "0-1", [(0, "time")]),
        ("a silent engine", ["e2e4", "g1f3"], ["e7e5", "sleep:8.5", "b8c6"], "1-0", [(1, "hang")]),
    ]
    # Over UCI there are no claims: the referee ends the game by the rules.
    uci_cases = [
        ("UCI: an illegal move loses", ["e2e4", "e1e3"], ["e7e5"], "0-1", [(0, "illegal")]),
        ("UCI: no move with moves to play", ["e2e4"], ["0000"], "1-0", [(1, "illegal")]),
        ("UCI: a repetition drawn by the referee", knights_w, knights_b, "1/2-1/2", []),
        ("UCI: fool's mate", ["f2f3", "g2g4"], ["e7e5", "d8h4"], "0-1", []),
        ("UCI: a crash", ["e2e4", "g1f3"], ["e7e5", "die"], "1-0", [(1, "crash")]),
    ]
    # A move that comes at once behind a flood of thinking lines is on time
    # even when the referee is slow to get through them (its log is slowed
    # here to three seconds' worth, more than the whole clock).
    slow = [("a move behind a flood of thinking lines", ["f2f3", "think:3000", "g2g4"],
             ["e7e5", "d8h4"], "0-1", [])]

    class SlowLog(io.StringIO):
        def write(self, text):
            time.sleep(0.001)
            return super().write(text)

    fails = []
    for what, w, b, result, faults in cases + uci_cases + slow:
        log = SlowLog() if (what, w, b, result, faults) in slow else io.StringIO()
        u = "uci:" if what.startswith("UCI") else ""
        r = partidas.play(u + engine(w), u + engine(b), "0 0:02 0", 40, log)
        got = [(side, kind) for side, kind, _ in r["faults"]]
        if r["result"] != result or got != faults:
            fails.append("%s: result %s faults %s, expected %s %s\n%s" % (
                what, r["result"], got, result, faults, log.getvalue()))
        print("%-40s %s" % (what, "ok" if r["result"] == result and got == faults else "FAIL"),
              flush=True)
    return fails


if __name__ == "__main__":
    if len(sys.argv) > 1 and sys.argv[1] == "--motor":
        motor(sys.argv[2:])
        sys.exit(0)
    fallos = checks()
    for f in fallos:
        print("FAIL " + f)
    sys.exit(1 if fallos else 0)
