"""What the scripts that drive a real chess front end headless have in common:
finding the programs (a missing one makes the run a skip, exit 77, which ctest
counts as such), a private Xvfb server, a work directory that is kept only on
request, and reading the files that the front end or scripts/transcripcion.py
write while the game goes on.
"""
import argparse
import os
import re
import select
import shlex
import shutil
import signal
import subprocess
import sys
import tempfile
import time

OMITIR = 77  # "not possible here": ctest's skip code

HERE = os.path.dirname(os.path.abspath(__file__))

# An engine's answer to a command or a move that it does not accept.
REFUSED = re.compile(r"^(Error|Illegal move)")
# A move as an engine plays it.
ENGINE_MOVE = re.compile(r"^move\s+([a-h][1-8][a-h][1-8][qrbnQRBN]?)\s*$")
# A line of the transcript: "12.345 > text" (to the engine), "< " (from it).
TRANSCRIPT = re.compile(r"^(\d+\.\d+) ([<>=]) ?(.*)$")


def arguments(doc):
    """A parser that describes the script by the first paragraph of its doc string."""
    return argparse.ArgumentParser(description=doc.split("\n\n")[0])


def find_program(name):
    """Absolute path of a program: a path as given, else PATH plus /usr/games."""
    if os.sep in name:
        return os.path.abspath(name) if os.access(name, os.X_OK) else None
    path = os.environ.get("PATH", "") + os.pathsep + "/usr/games"
    return shutil.which(name, path=path)


def engine_command(command):
    """The command line with its program made absolute (xboard starts it from
    the engine's own working directory); None when the program is missing."""
    words = shlex.split(command)
    program = find_program(words[0]) if words else None
    if program is None:
        return None
    return " ".join(shlex.quote(w) for w in [program] + words[1:])


def installed(*programs):
    """Whether every (program, Debian package) is installed; the first one that
    is not is named on a SKIP line."""
    for program, package in programs:
        if find_program(program) is None:
            print("SKIP: %s is not installed (Debian package %s)" % (program, package))
            return False
    return True


def found_engine(command, lookup=engine_command):
    """What lookup makes of the engine's command; None, after a SKIP line, when
    the engine is missing."""
    found = lookup(command)
    if found is None:
        print("SKIP: engine not found: %s" % command)
    return found


def work_directory(keep, prefix):
    """The directory given with --keep, else a new temporary one."""
    workdir = keep or tempfile.mkdtemp(prefix=prefix)
    os.makedirs(workdir, exist_ok=True)
    return workdir


def fresh(path):
    """The path, with what an earlier run left there removed: a kept directory
    can be used again, and its old lines must not be read as this run's."""
    if os.path.exists(path):
        os.remove(path)
    return path


def finish(workdir, keep, ok):
    """The exit status of the run; the work directory goes unless it is kept."""
    if not keep:
        shutil.rmtree(workdir, ignore_errors=True)
    return 0 if ok else 1


def start_xvfb(workdir):
    """Starts Xvfb on a free display; returns (process, display) or (None, msg)."""
    xvfb = find_program("Xvfb")
    if xvfb is None:
        return None, "Xvfb is not installed (Debian package xvfb)"
    read_end, write_end = os.pipe()
    proc = subprocess.Popen([xvfb, "-displayfd", str(write_end), "-screen", "0", "1280x1024x24",
                             "-nolisten", "tcp"],
                            pass_fds=(write_end,), stdout=subprocess.DEVNULL,
                            stderr=open(os.path.join(workdir, "xvfb.log"), "w"),
                            start_new_session=True)
    os.close(write_end)
    number = b""
    deadline = time.time() + 20
    while time.time() < deadline and not number.endswith(b"\n"):
        ready, _, _ = select.select([read_end], [], [], 0.2)
        if ready:
            chunk = os.read(read_end, 16)
            if not chunk:
                break
            number += chunk
        elif proc.poll() is not None:
            break
    os.close(read_end)
    if not number.strip().isdigit():
        stop(proc)
        return None, "Xvfb did not start (see xvfb.log)"
    return proc, ":" + number.strip().decode()


def xvfb_or_skip(workdir, keep):
    """start_xvfb's (process, display); when Xvfb does not start, a SKIP line,
    the work directory removed unless it is kept, and (None, None)."""
    xvfb, display = start_xvfb(workdir)
    if xvfb is None:
        print("SKIP: " + display)
        finish(workdir, keep, False)
        return None, None
    return xvfb, display


def stop(proc):
    if proc is None or proc.poll() is not None:
        return
    try:
        os.killpg(proc.pid, signal.SIGTERM)
        proc.wait(timeout=5)
    except (ProcessLookupError, subprocess.TimeoutExpired):
        try:
            os.killpg(proc.pid, signal.SIGKILL)
        except ProcessLookupError:
            pass
        proc.wait()


def private_home(workdir):
    """HOME, its .config and XDG_RUNTIME_DIR below the work directory, so that
    a desktop program neither reads nor changes the user's settings; the
    runtime directory is private (0700), as Qt requires of one."""
    home = os.path.join(workdir, "home")
    config = os.path.join(home, ".config")
    runtime = os.path.join(workdir, "run")
    for d in (config, runtime):
        os.makedirs(d, exist_ok=True)
    os.chmod(runtime, 0o700)
    return home, config, runtime


def start_under_dbus(program, workdir, env, log):
    """The program in a session bus of its own, which the desktop front ends
    use and which must not be the user's; in its own process group, so that
    stop() ends the bus with it. Its messages go to the file log in the work
    directory."""
    return subprocess.Popen(["dbus-run-session", "--", program], cwd=workdir, env=env,
                            stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                            stderr=open(os.path.join(workdir, log), "w"),
                            start_new_session=True)


def xdotool(display, *args):
    """What xdotool prints when run on the display."""
    return subprocess.run(["xdotool"] + list(args), env=dict(os.environ, DISPLAY=display),
                          capture_output=True, text=True).stdout


def write_wrapper(path, transcript, engine_dir, engine):
    """A program at path that runs the engine in engine_dir through the
    transcript writer, which writes every line into transcript. The path can
    end in the engine's name: a front end shows the name of its program."""
    with open(path, "w") as f:
        f.write("#!/bin/sh\nexec %s %s --log %s --cwd %s %s \"$@\"\n" % (
            sys.executable, os.path.join(HERE, "transcripcion.py"), transcript, engine_dir,
            engine))
    os.chmod(path, 0o755)


def read_log(path, pattern, stamp, encoding):
    """(stamp, direction, text) of every line of the file that the pattern
    matches, its first group read with stamp; nothing while the file does not
    exist yet, as it is read while it is being written."""
    lines = []
    try:
        with open(path, encoding=encoding, errors="replace") as f:
            for raw in f:
                m = pattern.match(raw.rstrip("\n"))
                if m:
                    lines.append((stamp(m.group(1)), m.group(2), m.group(3)))
    except OSError:
        pass
    return lines


def read_transcript(path):
    """What scripts/transcripcion.py wrote down: (seconds, direction, text)."""
    return read_log(path, TRANSCRIPT, float, "utf-8")


def commands_besides_moves(lines, move):
    """The first words of the front end's lines to the engine that are no moves."""
    return sorted({text.split()[0] for _, way, text in lines
                   if way == ">" and text.strip() and not move.match(text)})


def print_tail(lines, count):
    """The last lines of a transcript, for a run that failed."""
    for t, way, text in lines[-count:]:
        print("  %.3f %s %s" % (t, way, text))
