#!/usr/bin/env python3
"""Lets the real XBoard analyse the start position with an engine, headless
under a private Xvfb server, and checks that the analysis keeps deepening
while XBoard asks for its status every two seconds.

    scripts/analisis_xboard.py [--seconds 20] [--early 10] [--keep DIR] ENGINE

XBoard starts in Analysis mode (-mode Analysis) and, as it always does in that
mode, sends "." about every 2 s; an engine that took "." for a new position
would start again from depth 1 each time and never get deep. Once XBoard has
sent "analyze", the analysis runs for --seconds; then XBoard is stopped and its
debug file (every line to and from the engine, with milliseconds) is read. The
first field of a thinking line is its depth; the status lines ("stat01:
centiseconds nodes depth moves-left moves move") give the depth being searched
and the nodes so far. The run passes when
- no thinking line is shallower than one before it and no status line counts
  fewer nodes than one before it (a search started again from depth 1 shows as
  such a drop, however fast the hash table brings the depth back);
- the depth searched at the end (the last status line) is at least that of
  every thinking line of the first --early seconds: one search that went on;
- XBoard did send "." during the run, and the engine refused no command.
How deep the search gets in the time is not judged: that depends on the machine.

Exit status 0 on success, 1 on failure, 77 when XBoard, Xvfb or the engine is
not installed (the message says which). --keep DIR keeps the debug file and
the engine's working directory in DIR.
"""
import os
import re
import subprocess
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import pruebas_gui as gui  # noqa: E402

# "1234 <first : 12 35 480 1834567  e2e4 e7e5 ..." in XBoard's debug file.
DEBUG_LINE = re.compile(r"^(\d+) ([<>])first : ?(.*)$")
THINKING = re.compile(r"^\s*(\d+)\s+-?\d+\s+\d+\s+\d+\s+\S")
STATUS = re.compile(r"^stat01:\s+\d+\s+(\d+)\s+(\d+)\s")


def read_debug(path):
    """(milliseconds, direction, text) of every line to or from the engine."""
    return gui.read_log(path, DEBUG_LINE, int, "latin-1")


def analysis_start(lines):
    for ms, way, text in lines:
        if way == ">" and text.strip() == "analyze":
            return ms
    return None


def main():
    ap = gui.arguments(__doc__)
    ap.add_argument("--seconds", type=float, default=20.0)
    ap.add_argument("--early", type=float, default=10.0)
    ap.add_argument("--keep", metavar="DIR")
    ap.add_argument("engine")
    a = ap.parse_args()

    if not gui.installed(("xboard", "xboard")):
        return gui.OMITIR
    xboard = gui.find_program("xboard")
    engine = gui.found_engine(a.engine)
    if engine is None:
        return gui.OMITIR

    workdir = gui.work_directory(a.keep, "analisis_xboard_")
    engine_dir = os.path.join(workdir, "engine")
    os.makedirs(engine_dir, exist_ok=True)
    debug = gui.fresh(os.path.join(workdir, "xboard.debug"))

    xvfb, display = gui.xvfb_or_skip(workdir, a.keep)
    if xvfb is None:
        return gui.OMITIR

    command = [xboard, "-fcp", engine, "-fd", engine_dir, "-mode", "Analysis",
               "-debug", "-nameOfDebugFile", debug, "-saveSettingsOnExit", "false",
               "-soundProgram", "true"]
    env = dict(os.environ, DISPLAY=display, HOME=workdir)
    start = None
    try:
        proc = subprocess.Popen(command, cwd=workdir, env=env, stdin=subprocess.DEVNULL,
                                stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                                start_new_session=True)
        try:
            # XBoard writes its debug file as it goes: wait for "analyze".
            deadline = time.time() + 30
            while start is None and time.time() < deadline and proc.poll() is None:
                time.sleep(0.2)
                start = analysis_start(read_debug(debug))
            if start is not None:
                time.sleep(a.seconds + 0.5)
        finally:
            gui.stop(proc)
    finally:
        gui.stop(xvfb)

    lines = read_debug(debug)
    if start is None:
        print("XBoard never sent \"analyze\" to the engine (exit status %s)" % proc.returncode)
        return 1
    end = start + int(a.seconds * 1000)
    early_end = start + int(a.early * 1000)
    thinking = []
    status = []
    dots = 0
    refused = []
    for ms, way, text in lines:
        if ms < start or ms > end:
            continue
        if way == ">" and text.strip() == ".":
            dots += 1
        elif way == "<":
            m = THINKING.match(text)
            if m:
                thinking.append((ms - start, int(m.group(1)), text.strip()))
            m = STATUS.match(text)
            if m:
                status.append((ms - start, int(m.group(2)), int(m.group(1))))
            elif gui.REFUSED.match(text):
                refused.append(text.strip())

    early = [depth for ms, depth, _ in thinking if ms <= early_end - start]
    ok = True
    print("analysis of %.0f s: %d thinking lines, %d status lines, %d \".\" sent by XBoard" % (
        a.seconds, len(thinking), len(status), dots))
    if not early or not status:
        print("FAIL: no thinking line in the first %.0f s, or no status line" % a.early)
        ok = False
    else:
        last_ms, last_depth, last_nodes = status[-1]
        print("deepest line of the first %.0f s: depth %d" % (a.early, max(early)))
        print("last thinking line, at %.1f s: %s" % (thinking[-1][0] / 1000.0, thinking[-1][2]))
        print("at %.1f s the search was at depth %d, %d nodes" % (
            last_ms / 1000.0, last_depth, last_nodes))
        if last_depth < max(early):
            print("FAIL: the search at the end is shallower than the lines of the first %.0f s"
                  % a.early)
            ok = False
        drops = [(p[0], p[1], c[0], c[1]) for p, c in zip(thinking, thinking[1:]) if c[1] < p[1]]
        drops += [(p[0], p[2], c[0], c[2]) for p, c in zip(status, status[1:]) if c[2] < p[2]]
        for before_ms, before, after_ms, after in sorted(drops)[:3]:
            print("FAIL: %d at %.1f s came after %d at %.1f s: the analysis started again" % (
                after, after_ms / 1000.0, before, before_ms / 1000.0))
        if drops:
            print("(%d such drops of depth or nodes)" % len(drops))
            ok = False
    if dots == 0:
        print("FAIL: XBoard sent no \".\", so the run tested nothing")
        ok = False
    for text in refused:
        print("FAIL: the engine answered: " + text)
        ok = False
    return gui.finish(workdir, a.keep, ok)


if __name__ == "__main__":
    sys.exit(main())
