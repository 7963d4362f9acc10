#!/usr/bin/env python3
"""Stands between a front end and an engine and writes down everything that
passes, so that what a GUI really sends can be read afterwards.

    scripts/transcripcion.py [--log FILE] [--cwd DIR] ENGINE [ARG ...]

The engine is started with its arguments (in DIR when --cwd is given), the
front end's lines go to its standard input and its answers come back on our
standard output, unchanged. Every line is also appended to FILE as

    12.345 > usermove e2e4      (front end -> engine)
    12.410 < move e7e5          (engine -> front end)

with the seconds since the wrapper started; "=" lines note the start, the end
of input and the engine's exit status. Without --log the file is named by the
environment variable ZELMOR_TRANSCRIPT, else transcript-PID.log in the current
directory. A FILE or ZELMOR_TRANSCRIPT that names a directory gets one file per
run inside it (transcript-PID.log), so a GUI that starts the engine several
times leaves one transcript per start.

The wrapper ignores SIGINT (xboard interrupts its engines with it unless they
ask otherwise, and the engine gets its own copy from the process group anyway),
passes SIGTERM on to the engine, and exits with the engine's status.
"""
import os
import signal
import subprocess
import sys
import threading
import time


def transcript_path(given):
    path = given or os.environ.get("ZELMOR_TRANSCRIPT") or "."
    if os.path.isdir(path):
        path = os.path.join(path, "transcript-%d.log" % os.getpid())
    return path


def main():
    args = sys.argv[1:]
    log_name = None
    cwd = None
    while args and args[0] in ("--log", "--cwd") and len(args) > 1:
        if args[0] == "--log":
            log_name = args[1]
        else:
            cwd = args[1]
        args = args[2:]
    if not args:
        sys.stderr.write(__doc__)
        return 2

    start = time.monotonic()
    log = open(transcript_path(log_name), "a", encoding="utf-8", errors="replace")
    lock = threading.Lock()

    def note(tag, text):
        with lock:
            log.write("%.3f %s %s\n" % (time.monotonic() - start, tag, text))
            log.flush()

    note("=", "start %s (cwd %s, parent pid %d)" % (" ".join(args), cwd or os.getcwd(),
                                                     os.getppid()))
    signal.signal(signal.SIGINT, signal.SIG_IGN)
    try:
        engine = subprocess.Popen(args, cwd=cwd, stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                                  bufsize=0)
    except OSError as e:
        note("=", "cannot start: %s" % e)
        return 127
    signal.signal(signal.SIGTERM, lambda *_: engine.send_signal(signal.SIGTERM))

    def to_engine():
        for raw in iter(sys.stdin.buffer.readline, b""):
            note(">", raw.decode("utf-8", "replace").rstrip("\r\n"))
            try:
                engine.stdin.write(raw)
                engine.stdin.flush()
            except (BrokenPipeError, ValueError):
                break
        note("=", "end of input from the front end")
        try:
            engine.stdin.close()
        except OSError:
            pass

    threading.Thread(target=to_engine, daemon=True).start()
    out = sys.stdout.buffer
    for raw in iter(engine.stdout.readline, b""):
        note("<", raw.decode("utf-8", "replace").rstrip("\r\n"))
        try:
            out.write(raw)
            out.flush()
        except BrokenPipeError:
            pass
    status = engine.wait()
    note("=", "engine exited with status %d" % status)
    return status if status >= 0 else 128 - status


if __name__ == "__main__":
    sys.exit(main())
