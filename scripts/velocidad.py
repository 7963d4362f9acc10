#!/usr/bin/env python3
"""Side-by-side speed of two builds of zelmor-diag, with Stockfish's perft beside them.

    scripts/velocidad.py [--base REV] [--runs N] [--perft-depth D] [--bench-depth D]
                         [--no-stockfish] [--new-dir DIR]

Builds git revision REV (default: main) from an exported copy and the working
tree, each into a directory of its own under build-velocidad/, with the default
release flags. Then, N times over, it runs on each build in turn
`zelmor-diag bench`, `zelmor-diag evalbench` and `zelmor-diag perft D` of the
initial position, and Stockfish's `go perft D`, alternating so that a busy
moment of the machine falls on every program alike. It prints each figure's
median and spread (lowest..highest, and the half-range as a percentage of the
median) and the ratios new/base and perft against Stockfish, those of the
medians and the median and quartiles of each run's own ratio.

Both builds must agree on the bench node count and the perft leaf count, or the
comparison is void and the script exits with status 1.

Stockfish is Debian's `stockfish` package; when it is missing and the script
runs as root, it is installed with apt-get.
"""
import argparse
import os
import re
import shutil
import statistics
import subprocess
import sys
import tarfile
import io
import time

RAIZ = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
SALIDA = os.path.join(RAIZ, "build-velocidad")


def ejecutar(cmd, **kw):
    return subprocess.run(cmd, check=True, stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                          text=True, **kw).stdout


def construir(fuente, destino):
    """Configures and builds zelmor-diag of the tree in `fuente` into `destino`."""
    ejecutar(["cmake", "-S", fuente, "-B", destino, "-DCMAKE_BUILD_TYPE=Release"])
    ejecutar(["cmake", "--build", destino, "--target", "zelmor-diag", "-j", "2"])
    return os.path.join(destino, "zelmor-diag")


def construir_revision(rev):
    sha = ejecutar(["git", "-C", RAIZ, "rev-parse", "--short", rev + "^{commit}"]).strip()
    fuente = os.path.join(SALIDA, "rev-" + sha)
    if not os.path.isdir(fuente):
        datos = subprocess.run(["git", "-C", RAIZ, "archive", sha], check=True,
                               stdout=subprocess.PIPE).stdout
        os.makedirs(fuente)
        with tarfile.open(fileobj=io.BytesIO(datos)) as tar:
            tar.extractall(fuente)
    return sha, construir(fuente, os.path.join(fuente, "build"))


def buscar_stockfish():
    for camino in (shutil.which("stockfish"), "/usr/games/stockfish"):
        if camino and os.access(camino, os.X_OK):
            return camino
    if os.geteuid() == 0 and shutil.which("apt-get"):
        print("installing Debian's stockfish ...", flush=True)
        entorno = dict(os.environ, DEBIAN_FRONTEND="noninteractive")
        subprocess.run(["apt-get", "update", "-qq"], check=False, env=entorno)
        subprocess.run(["apt-get", "install", "-y", "-qq", "stockfish"], check=False, env=entorno)
        if os.access("/usr/games/stockfish", os.X_OK):
            return "/usr/games/stockfish"
    return None


def numero(patron, texto, que):
    m = re.search(patron, texto, re.M)
    if not m:
        sys.exit(f"could not read {que} from:\n{texto}")
    return m.group(1)


def medir_bench(diag, prof):
    salida = ejecutar([diag, "bench"] + ([str(prof)] if prof else []))
    return int(numero(r"^NPS: (\d+)", salida, "NPS")), int(numero(r"^Nodes: (\d+)", salida, "nodes"))


def medir_evalbench(diag):
    salida = ejecutar([diag, "evalbench"])
    suma = numero(r"checksum (-?\d+)", salida, "checksum")
    return float(numero(r"^(\d+) evals/s \(median", salida, "evals/s")), suma


def medir_perft(diag, prof):
    salida = ejecutar([diag, "perft", str(prof)])
    return float(numero(r"^time ([\d.]+) s", salida, "perft time")), int(numero(r"^(\d+)$", salida, "leaves"))


def medir_stockfish(sf, prof):
    """Seconds from `go perft` to Stockfish's node line (start-up not counted)."""
    p = subprocess.Popen([sf], stdin=subprocess.PIPE, stdout=subprocess.PIPE, text=True, bufsize=1)
    p.stdin.write("uci\nisready\n")
    p.stdin.flush()
    for linea in p.stdout:
        if linea.startswith("readyok"):
            break
    inicio = time.monotonic()
    p.stdin.write(f"go perft {prof}\n")
    p.stdin.flush()
    nodos = 0
    for linea in p.stdout:
        if linea.startswith("Nodes searched"):
            nodos = int(linea.split(":")[1])
            break
    segundos = time.monotonic() - inicio
    p.stdin.write("quit\n")
    p.stdin.flush()
    p.wait()
    return segundos, nodos


def resumen(valores):
    med = statistics.median(valores)
    medio = (max(valores) - min(valores)) / 2
    return med, f"{med:14.3f}  {min(valores):12.3f} .. {max(valores):<12.3f} ±{100 * medio / med:4.1f}%"


def main():
    ap = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    ap.add_argument("--base", default="main", help="git revision to compare against (default main)")
    ap.add_argument("--runs", type=int, default=5)
    ap.add_argument("--perft-depth", type=int, default=6)
    ap.add_argument("--bench-depth", type=int, default=0, help="0: bench's own depth")
    ap.add_argument("--no-stockfish", action="store_true")
    ap.add_argument("--new-dir", help="use this build directory's zelmor-diag as the new build")
    a = ap.parse_args()

    os.makedirs(SALIDA, exist_ok=True)
    sha, base = construir_revision(a.base)
    nuevo = (os.path.join(a.new_dir, "zelmor-diag") if a.new_dir
             else construir(RAIZ, os.path.join(SALIDA, "actual")))
    sf = None if a.no_stockfish else buscar_stockfish()
    if not a.no_stockfish and sf is None:
        print("stockfish not found (install Debian's stockfish); perft ratio left out")

    cifras = {k: {"base": [], "new": []} for k in ("nps", "evals", "perft")}
    firma = {"base": set(), "new": set()}
    sf_tiempos = []
    for r in range(a.runs):
        for nombre, diag in (("base", base), ("new", nuevo)) if r % 2 == 0 else (("new", nuevo), ("base", base)):
            nps, nodos = medir_bench(diag, a.bench_depth)
            evals, suma = medir_evalbench(diag)
            t, hojas = medir_perft(diag, a.perft_depth)
            cifras["nps"][nombre].append(nps)
            cifras["evals"][nombre].append(evals)
            cifras["perft"][nombre].append(t)
            firma[nombre].add((nodos, suma, hojas))
        if sf:
            t, hojas = medir_stockfish(sf, a.perft_depth)
            sf_tiempos.append(t)
            firma["sf"] = firma.get("sf", set()) | {hojas}
        print(f"run {r + 1}/{a.runs} done", flush=True)

    print(f"\nbase {a.base} ({sha}): {base}\nnew: {nuevo}\nruns: {a.runs}, alternating\n")
    print(f"{'figure':24} {'median':>14}  {'lowest .. highest':>27} spread")
    nombres = {"nps": "bench NPS", "evals": "evalbench evals/s", "perft": f"perft {a.perft_depth} s"}
    medianas = {}
    for k, titulo in nombres.items():
        for lado in ("base", "new"):
            medianas[(k, lado)], linea = resumen(cifras[k][lado])
            print(f"{titulo + ' ' + lado:24} {linea}")
    if sf_tiempos:
        medianas["sf"], linea = resumen(sf_tiempos)
        print(f"{'stockfish perft s':24} {linea}")
    print()
    print(f"bench NPS new/base:       {medianas[('nps', 'new')] / medianas[('nps', 'base')]:.2f}x")
    print(f"evals/s new/base:         {medianas[('evals', 'new')] / medianas[('evals', 'base')]:.2f}x")
    print(f"perft time base/new:      {medianas[('perft', 'base')] / medianas[('perft', 'new')]:.2f}x faster")
    # The same ratios run by run: each run measures both builds within seconds of
    # each other, so a slow drift of the machine's load cancels out of its ratio.
    pares = {"bench NPS new/base": [n / b for n, b in zip(cifras["nps"]["new"], cifras["nps"]["base"])],
             "evals/s new/base": [n / b for n, b in zip(cifras["evals"]["new"], cifras["evals"]["base"])],
             "perft base/new": [b / n for n, b in zip(cifras["perft"]["new"], cifras["perft"]["base"])]}
    for titulo, r in pares.items():
        q = statistics.quantiles(r, n=4, method="inclusive") if len(r) > 1 else [r[0], r[0], r[0]]
        print(f"  run by run, {titulo}: median {statistics.median(r):.2f}x, "
              f"quartiles {q[0]:.2f}..{q[2]:.2f}, lowest {min(r):.2f}, highest {max(r):.2f}")
    if sf_tiempos:
        for lado in ("base", "new"):
            print(f"perft {lado} / stockfish:   {medianas[('perft', lado)] / medianas['sf']:.2f}x Stockfish's time")

    print(f"\nsignatures (bench nodes, eval checksum, perft leaves): base {sorted(firma['base'])}, "
          f"new {sorted(firma['new'])}" + (f", stockfish leaves {sorted(firma['sf'])}" if sf_tiempos else ""))
    if firma["base"] != firma["new"] or len(firma["new"]) != 1:
        print("MISMATCH: the builds do not compute the same thing")
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
