#!/usr/bin/env python3
"""The referee of scripts/partidas.py: the rules of chess kept apart from the
engines, so that a game between two engines is judged by neither of them.

    scripts/arbitro.py            # self-test: move counts and claims on known positions

Arbitro(fen) keeps the game: jugar(text) takes a move in coordinates ("e2e4",
"e7e8q", also "e7e8=Q") or in SAN ("Nf3", "O-O", "exd8=Q+"), returns it in
coordinates, or None when it is not a legal move in the position. fin() says
whether the game is over by itself: checkmate, stalemate, or a dead position
(no pawns, rooks or queens, and at most one minor piece, or only bishops all
on squares of one colour). reclamable() says whether a draw may be claimed:
the current position (placement, side to move, castling rights, an en-passant
capture that is really possible) has occurred three times, or fifty moves of
each side have been made without a capture or a pawn move (half-move clock of
100 or more), unless the last move mated. juzgar(result, by_white) judges a
result line an engine announced.

Without python3-chess in Debian this is the script's own move logic; it is
checked by counting the leaves of well-known positions to a small depth.
"""
import sys

FILES = "abcdefgh"
KNIGHT = ((1, 2), (2, 1), (2, -1), (1, -2), (-1, -2), (-2, -1), (-2, 1), (-1, 2))
KING = ((1, 0), (1, 1), (0, 1), (-1, 1), (-1, 0), (-1, -1), (0, -1), (1, -1))
ROOK_DIRS = ((1, 0), (-1, 0), (0, 1), (0, -1))
BISHOP_DIRS = ((1, 1), (1, -1), (-1, 1), (-1, -1))
START = "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1"


def square(name):
    return FILES.index(name[0]) + 8 * (int(name[1]) - 1)


def name(sq):
    return FILES[sq % 8] + str(sq // 8 + 1)


def white(piece):
    return piece.isupper()


class Posicion:
    """A position: board[0..63] (a1 = 0, h8 = 63) holds "PNBRQKpnbrqk" or ".",
    white_to_move, castling ("KQkq" subset), ep (square or None), halfmove and
    fullmove numbers."""

    def __init__(self, fen=START):
        parts = fen.split()
        if len(parts) < 4:
            raise ValueError("FEN needs at least four fields: " + fen)
        rows = parts[0].split("/")
        if len(rows) != 8:
            raise ValueError("FEN needs eight ranks: " + fen)
        self.board = ["."] * 64
        for r, row in enumerate(rows):
            f = 0
            for ch in row:
                if ch.isdigit():
                    f += int(ch)
                elif ch in "PNBRQKpnbrqk" and f < 8:
                    self.board[(7 - r) * 8 + f] = ch
                    f += 1
                else:
                    raise ValueError("bad rank in FEN: " + row)
            if f != 8:
                raise ValueError("rank of %d squares in FEN: %s" % (f, row))
        if self.board.count("K") != 1 or self.board.count("k") != 1:
            raise ValueError("FEN without one king a side: " + fen)
        self.white_to_move = parts[1] == "w"
        self.castling = "" if parts[2] == "-" else "".join(c for c in "KQkq" if c in parts[2])
        self.ep = None if parts[3] == "-" else square(parts[3])
        self.halfmove = int(parts[4]) if len(parts) > 4 else 0
        self.fullmove = int(parts[5]) if len(parts) > 5 else 1

    def copy(self):
        p = Posicion.__new__(Posicion)
        p.board = self.board[:]
        p.white_to_move, p.castling, p.ep = self.white_to_move, self.castling, self.ep
        p.halfmove, p.fullmove = self.halfmove, self.fullmove
        return p

    def attacked(self, sq, by_white):
        """Whether a man of that colour attacks sq."""
        f, r = sq % 8, sq // 8
        b = self.board
        pawn, knight, king = ("P", "N", "K") if by_white else ("p", "n", "k")
        rq, bq = ("RQ", "BQ") if by_white else ("rq", "bq")
        pr = r - 1 if by_white else r + 1  # a white pawn attacks upwards
        if 0 <= pr < 8:
            for df in (-1, 1):
                if 0 <= f + df < 8 and b[pr * 8 + f + df] == pawn:
                    return True
        for df, dr in KNIGHT:
            if 0 <= f + df < 8 and 0 <= r + dr < 8 and b[(r + dr) * 8 + f + df] == knight:
                return True
        for df, dr in KING:
            if 0 <= f + df < 8 and 0 <= r + dr < 8 and b[(r + dr) * 8 + f + df] == king:
                return True
        for dirs, men in ((ROOK_DIRS, rq), (BISHOP_DIRS, bq)):
            for df, dr in dirs:
                x, y = f + df, r + dr
                while 0 <= x < 8 and 0 <= y < 8:
                    p = b[y * 8 + x]
                    if p != ".":
                        if p in men:
                            return True
                        break
                    x, y = x + df, y + dr
        return False

    def in_check(self):
        king = self.board.index("K" if self.white_to_move else "k")
        return self.attacked(king, not self.white_to_move)

    def _pseudo(self):
        """Moves as (from, to, promotion letter or ""), own king's safety unchecked."""
        b, us = self.board, self.white_to_move
        out = []
        for sq in range(64):
            p = b[sq]
            if p == "." or white(p) != us:
                continue
            f, r = sq % 8, sq // 8
            kind = p.upper()
            if kind == "P":
                step, start, last = (1, 1, 7) if us else (-1, 6, 0)
                promos = ("q", "r", "b", "n") if r + step == last else ("",)
                to = sq + 8 * step
                if b[to] == ".":
                    out.extend((sq, to, pr) for pr in promos)
                    if r == start and b[to + 8 * step] == ".":
                        out.append((sq, to + 8 * step, ""))
                for df in (-1, 1):
                    if 0 <= f + df < 8:
                        to = sq + 8 * step + df
                        t = b[to]
                        if (t != "." and white(t) != us) or to == self.ep:
                            out.extend((sq, to, pr) for pr in promos)
            elif kind in "NK":
                for df, dr in (KNIGHT if kind == "N" else KING):
                    if 0 <= f + df < 8 and 0 <= r + dr < 8:
                        to = (r + dr) * 8 + f + df
                        if b[to] == "." or white(b[to]) != us:
                            out.append((sq, to, ""))
            else:
                dirs = {"R": ROOK_DIRS, "B": BISHOP_DIRS, "Q": ROOK_DIRS + BISHOP_DIRS}[kind]
                for df, dr in dirs:
                    x, y = f + df, r + dr
                    while 0 <= x < 8 and 0 <= y < 8:
                        to = y * 8 + x
                        if b[to] == ".":
                            out.append((sq, to, ""))
                        else:
                            if white(b[to]) != us:
                                out.append((sq, to, ""))
                            break
                        x, y = x + df, y + dr
        # Castling: king and rook at home with the right, the squares between
        # empty, and the king neither in check nor passing an attacked square.
        home = 0 if us else 56
        k, q, king, rook = ("K", "Q", "K", "R") if us else ("k", "q", "k", "r")
        if b[home + 4] == king and not self.attacked(home + 4, not us):
            if k in self.castling and b[home + 7] == rook and b[home + 5] == b[home + 6] == "." \
                    and not self.attacked(home + 5, not us) and not self.attacked(home + 6, not us):
                out.append((home + 4, home + 6, ""))
            if q in self.castling and b[home] == rook and b[home + 1] == b[home + 2] == b[home + 3] == "." \
                    and not self.attacked(home + 3, not us) and not self.attacked(home + 2, not us):
                out.append((home + 4, home + 2, ""))
        return out

    def make(self, move):
        """The position after a move given as (from, to, promotion)."""
        fr, to, promo = move
        p = self.copy()
        b = p.board
        man = b[fr]
        us = self.white_to_move
        capture = b[to] != "."
        if man in "Pp" and to == self.ep:
            b[to + (-8 if us else 8)] = "."  # the pawn taken en passant
            capture = True
        b[to], b[fr] = man, "."
        if promo:
            b[to] = promo.upper() if us else promo
        if man in "Kk" and abs(to - fr) == 2:  # castling also moves the rook
            rook_from, rook_to = (fr + 3, fr + 1) if to > fr else (fr - 4, fr - 1)
            b[rook_to], b[rook_from] = b[rook_from], "."
        lost = {4: "KQ", 60: "kq", 0: "Q", 7: "K", 56: "q", 63: "k"}
        p.castling = "".join(c for c in self.castling
                             if c not in lost.get(fr, "") and c not in lost.get(to, ""))
        p.ep = (fr + to) // 2 if man in "Pp" and abs(to - fr) == 16 else None
        p.halfmove = 0 if capture or man in "Pp" else self.halfmove + 1
        p.fullmove = self.fullmove + (0 if us else 1)
        p.white_to_move = not us
        return p

    def legal(self):
        """The legal moves as (from, to, promotion)."""
        out = []
        for m in self._pseudo():
            after = self.make(m)
            king = after.board.index("K" if self.white_to_move else "k")
            if not after.attacked(king, not self.white_to_move):
                out.append(m)
        return out

    def key(self):
        """What makes two positions the same for repetition: the en-passant
        square only when a capture there is legal."""
        ep = "-"
        if self.ep is not None and any(m[1] == self.ep and self.board[m[0]] in "Pp"
                                       for m in self.legal()):
            ep = name(self.ep)
        return "".join(self.board) + ("w" if self.white_to_move else "b") + self.castling + ep

    def dead(self):
        """No pawn, rook or queen, and at most one minor piece or only bishops
        on squares of one colour: no sequence of legal moves can mate."""
        minors = [(sq, p) for sq, p in enumerate(self.board) if p not in ".Kk"]
        if any(p in "PpRrQq" for _, p in minors):
            return False
        if len(minors) <= 1:
            return True
        return all(p in "Bb" for _, p in minors) and \
            len({(sq % 8 + sq // 8) % 2 for sq, _ in minors}) == 1

    def fen(self):
        rows = []
        for r in range(7, -1, -1):
            row, empty = "", 0
            for f in range(8):
                p = self.board[r * 8 + f]
                if p == ".":
                    empty += 1
                    continue
                row += (str(empty) if empty else "") + p
                empty = 0
            rows.append(row + (str(empty) if empty else ""))
        return "%s %s %s %s %d %d" % ("/".join(rows), "w" if self.white_to_move else "b",
                                      self.castling or "-", "-" if self.ep is None else name(self.ep),
                                      self.halfmove, self.fullmove)

    def uci(self, move):
        return name(move[0]) + name(move[1]) + move[2]

    def san(self, move):
        fr, to, promo = move
        man = self.board[fr].upper()
        if man == "K" and abs(to - fr) == 2:
            text = "O-O" if to > fr else "O-O-O"
        else:
            capture = self.board[to] != "." or (man == "P" and to == self.ep)
            if man == "P":
                text = (FILES[fr % 8] + "x" if capture else "") + name(to)
                if promo:
                    text += "=" + promo.upper()
            else:
                rivals = [m for m in self.legal() if m[1] == to and m[0] != fr
                          and self.board[m[0]].upper() == man]
                dis = ""
                if rivals:
                    if all(m[0] % 8 != fr % 8 for m in rivals):
                        dis = FILES[fr % 8]
                    elif all(m[0] // 8 != fr // 8 for m in rivals):
                        dis = str(fr // 8 + 1)
                    else:
                        dis = name(fr)
                text = man + dis + ("x" if capture else "") + name(to)
        after = self.make(move)
        if after.in_check():
            text += "#" if not after.legal() else "+"
        return text

    def parse(self, text):
        """A legal move from coordinates or SAN, or None."""
        t = text.strip().rstrip("+#!?")
        moves = self.legal()
        low = t.lower().replace("=", "")
        if len(low) in (4, 5) and low[0] in FILES and low[2] in FILES:
            for m in moves:
                if self.uci(m) == low:
                    return m
        t = t.replace("0-0-0", "O-O-O").replace("0-0", "O-O")
        for m in moves:
            if self.san(m).rstrip("+#") == t:
                return m
        return None


def perft(pos, depth):
    if depth == 0:
        return 1
    moves = pos.legal()
    if depth == 1:
        return len(moves)
    return sum(perft(pos.make(m), depth - 1) for m in moves)


class Arbitro:
    """A game from a position: the moves played and the positions since the
    last capture or pawn move, for repetitions."""

    def __init__(self, fen=None):
        self.pos = Posicion(fen or START)
        self.moves = []
        self.keys = [self.pos.key()]

    def jugar(self, text):
        move = self.pos.parse(text)
        if move is None:
            return None
        uci = self.pos.uci(move)
        self.pos = self.pos.make(move)
        self.moves.append(uci)
        if self.pos.halfmove == 0:
            self.keys = []
        self.keys.append(self.pos.key())
        return uci

    def fin(self):
        """(result, reason) when the game is over by itself, else None."""
        if not self.pos.legal():
            if self.pos.in_check():
                return ("0-1" if self.pos.white_to_move else "1-0", "checkmate")
            return ("1/2-1/2", "stalemate")
        if self.pos.dead():
            return ("1/2-1/2", "insufficient material")
        return None

    def reclamable(self):
        """The reason a draw may be claimed now, or None."""
        if self.keys.count(self.keys[-1]) >= 3:
            return "threefold repetition"
        if self.pos.halfmove >= 100 and not (self.pos.in_check() and not self.pos.legal()):
            return "50-move rule"
        return None

    def juzgar(self, result, by_white):
        """(accepted, reason) for a result an engine announced. A loss for the
        announcer is a resignation, accepted unless the board says otherwise;
        a win or a draw must follow from the rules."""
        end = self.fin()
        if end:
            return (end[0] == result, end[1])
        if result == "1/2-1/2":
            reason = self.reclamable()
            return (reason is not None, reason or "no draw by rule")
        if result == ("0-1" if by_white else "1-0"):
            return (True, "resignation")
        return (False, "no checkmate on the board")


def autotest():
    """Leaf counts of well-known positions, then claims on known games."""
    fails = []

    def check(what, got, want):
        if got != want:
            fails.append("%s: %r, expected %r" % (what, got, want))

    for fen in (START, "r3k2r/8/8/8/3pP3/8/8/R3K2R b Kq e3 5 40"):
        check("FEN round trip", Posicion(fen).fen(), fen)
    perfts = [
        (START, 3, 8902),
        # Castling both ways, en passant, promotions and pins in one position.
        ("r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1", 2, 2039),
        ("8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8 w - - 0 1", 3, 2812),
        ("r3k2r/Pppp1ppp/1b3nbN/nP6/BBP1P3/q4N2/Pp1P2PP/R2Q1RK1 w kq - 0 1", 2, 264),
        ("rnbq1k1r/pp1Pbppp/2p5/8/2B5/8/PPP1NnPP/RNBQK2R w KQ - 1 8", 2, 1486),
    ]
    for fen, depth, want in perfts:
        check("perft %d %s" % (depth, fen), perft(Posicion(fen), depth), want)

    # Threefold repetition: knights out and back twice.
    a = Arbitro()
    for m in "g1f3 g8f6 f3g1 f6g8 g1f3 g8f6 f3g1".split():
        a.jugar(m)
    check("not yet a repetition", a.reclamable(), None)
    check("draw claim too early", a.juzgar("1/2-1/2", False)[0], False)
    a.jugar("f6g8")
    check("third occurrence", a.reclamable(), "threefold repetition")
    check("draw claim", a.juzgar("1/2-1/2", False), (True, "threefold repetition"))
    # After 1.e4 the en-passant square is not part of the position unless a
    # capture there is possible, so the start-like position after the knights'
    # dance counts with the one before it.
    b = Arbitro("4k3/8/8/8/4p3/8/3P4/4K3 w - - 0 1")
    b.jugar("d2d4")
    check("en passant possible", b.pos.key().endswith("d3"), True)
    c = Arbitro("4k3/8/8/8/8/8/3P4/4K3 w - - 0 1")
    c.jugar("d2d4")
    check("en passant impossible", c.pos.key().endswith("b-"), True)

    # Fifty moves: a half-move clock of 99, one quiet move reaches 100.
    d = Arbitro("4k3/8/8/8/8/8/8/R3K3 w - - 99 80")
    check("49.5 moves", d.reclamable(), None)
    d.jugar("a1a2")
    check("50 moves", d.reclamable(), "50-move rule")
    # A mate on the hundredth half-move is a mate, not a draw.
    e = Arbitro("k7/8/1K6/8/8/8/8/7R w - - 99 80")
    e.jugar("Rh8")
    check("mate beats 50 moves", e.fin(), ("1-0", "checkmate"))
    check("no 50-move claim after mate", e.reclamable(), None)
    check("mate claimed by the winner", e.juzgar("1-0", True), (True, "checkmate"))
    check("mate claimed the wrong way", e.juzgar("0-1", True)[0], False)

    # Stalemate, dead positions, resignation, false wins.
    f = Arbitro("k7/8/1Q6/8/8/8/8/K7 b - - 0 1")
    check("stalemate", f.fin(), ("1/2-1/2", "stalemate"))
    check("KB v K dead", Arbitro("k7/8/8/8/8/8/8/KB6 w - - 0 1").fin(), ("1/2-1/2", "insufficient material"))
    check("KB v KB opposite colours", Arbitro("kb6/8/8/8/8/8/8/KB6 w - - 0 1").pos.dead(), False)
    check("KB v KB one colour", Arbitro("k1b5/8/8/8/8/8/8/KB6 w - - 0 1").pos.dead(), True)
    check("KN v KN can mate", Arbitro("kn6/8/8/8/8/8/8/KN6 w - - 0 1").pos.dead(), False)
    g = Arbitro()
    check("resignation", g.juzgar("0-1", True), (True, "resignation"))
    check("win without mate", g.juzgar("1-0", True)[0], False)
    check("draw without a rule", g.juzgar("1/2-1/2", True)[0], False)

    # Moves in either notation, illegal ones refused.
    h = Arbitro("r3k2r/8/8/8/8/8/8/R3K2R w KQkq - 0 1")
    check("castling in SAN", h.jugar("O-O"), "e1g1")
    check("castling the long way", h.jugar("e8c8"), "e8c8")
    check("castling across an attacked square",
          Arbitro("r3k2r/8/8/8/8/8/8/3RK2R b Kkq - 0 1").jugar("e8c8"), None)
    i = Arbitro("4k3/P7/8/8/8/8/8/4K3 w - - 0 1")
    check("promotion with =", i.jugar("a7a8=Q"), "a7a8q")
    check("illegal move", Arbitro().jugar("e2e5"), None)
    check("moving into check", Arbitro("4k3/8/8/8/8/8/4r3/4K3 w - - 0 1").jugar("e1d2"), None)
    check("taking the checking rook", Arbitro("4k3/8/8/8/8/8/4r3/4K3 w - - 0 1").jugar("Kxe2"), "e1e2")
    check("SAN disambiguation", Arbitro("2k5/8/8/8/8/8/8/R4RK1 w - - 0 1").pos.san((0, 3, "")), "Rad1")
    check("garbage", Arbitro().jugar("zz"), None)
    return fails


if __name__ == "__main__":
    fallos = autotest()
    for f in fallos:
        print("FAIL " + f)
    print("referee self-test: %s" % ("%d failures" % len(fallos) if fallos else "all passed"))
    sys.exit(1 if fallos else 0)
