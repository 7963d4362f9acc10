#!/bin/sh
# The Debian package from end to end: `make deb`, lintian, dpkg -i, the
# installed engine (books from /usr/share/games/zelmor, a whole game against
# fairymax from /usr/games), then dpkg -r and dpkg -P leaving nothing behind.
# It installs into the running system, so it is not part of ctest: run it by
# hand, as root, on a machine where the package is not installed.
#
#   tests/paquete_deb.sh [SOURCE_DIR]
#
# Exit 0 passed, 1 failed, 77 skipped (not root, a tool missing, or zelmor
# already installed).
set -u
fuente=$(cd "${1:-$(dirname "$0")/..}" && pwd)
omitir() {
  echo "SKIP: $*"
  exit 77
}
[ "$(id -u)" = 0 ] || omitir "dpkg -i needs root"
for herramienta in dpkg-buildpackage dh lintian dpkg-deb python3; do
  command -v "$herramienta" >/dev/null 2>&1 ||
    omitir "$herramienta is missing (Debian packages dpkg-dev, debhelper, lintian, python3)"
done
[ -x /usr/games/fairymax ] || omitir "fairymax is missing (Debian package fairymax)"
if dpkg -s zelmor >/dev/null 2>&1; then
  omitir "the package zelmor is installed already; remove it first"
fi

trabajo=$(mktemp -d "${TMPDIR:-/tmp}/zelmor-deb.XXXXXX")
instalado=0
limpiar() {
  [ "$instalado" -eq 1 ] && dpkg -P zelmor >/dev/null 2>&1
  rm -rf "$trabajo"
}
trap limpiar EXIT
trap 'exit 1' INT TERM
fallos=0
falla() {
  echo "FAIL: $*"
  fallos=$((fallos + 1))
}

# 1. The package.
echo "== make deb"
if ! make -C "$fuente" deb DEB_DIR="$trabajo/deb" >"$trabajo/deb.log" 2>&1; then
  tail -n 30 "$trabajo/deb.log"
  echo "FAIL: make deb"
  exit 1
fi
deb=$(ls "$trabajo"/deb/zelmor_*.deb)
echo "$deb"

# 2. lintian: no error; every other tag is printed for the record.
echo "== lintian"
lintian --pedantic --display-info "$deb" 2>/dev/null | tee "$trabajo/lintian.txt"
grep -q '^E: ' "$trabajo/lintian.txt" && falla "lintian reports errors"

# 3. Installed: files in place, books read from there by an engine started in
#    an empty directory, nothing written there or into the installed books.
echo "== dpkg -i"
dpkg -i "$deb" >"$trabajo/dpkg-i.log" 2>&1 || { cat "$trabajo/dpkg-i.log"; falla "dpkg -i"; }
instalado=1
dpkg -L zelmor | sort >"$trabajo/ficheros.txt"
for f in /usr/games/zelmor070 /usr/games/zelmor052 /usr/share/games/zelmor/Zelmor070B.libro \
  /usr/share/games/zelmor/Zelmor070N.libro /usr/share/games/plugins/xboard/zelmor070.eng \
  /usr/share/games/plugins/logos/zelmor070.png /usr/share/man/man6/zelmor.6.gz; do
  grep -qx "$f" "$trabajo/ficheros.txt" || falla "$f is not in the package"
done
vacio=$trabajo/vacio
mkdir "$vacio"
(cd "$vacio" && printf 'xboard\nprotover 2\nnew\nbk\nquit\n' | /usr/games/zelmor070 >bk.out 2>&1)
grep -q '^ e2e4 [0-9]' "$vacio/bk.out" || falla "/usr/games/zelmor070 lists no book move"
grep -q 'Libro blancas: .* de /usr/share/games/zelmor/Zelmor070B.libro' "$vacio/Ze_0.70_0.log" ||
  falla "the log does not name /usr/share/games/zelmor/Zelmor070B.libro"
[ "$(cd "$vacio" && ls | tr '\n' ' ')" = "Ze_0.70_0.log bk.out " ] || falla "left behind: $(ls "$vacio")"

# 4. A whole game against fairymax, each engine in a directory of its own.
echo "== a game against fairymax"
printf 'AP_SEGUNDOS_MIN 1\n' >"$trabajo/real.per"
(cd "$trabajo" && python3 "$fuente/scripts/partidas.py" --games 1 --level "0 0:30 0" \
  --copy "$trabajo/real.per" "/usr/games/zelmor070 real" /usr/games/fairymax) | tee "$trabajo/partida.txt"
grep -q 'faults: 0' "$trabajo/partida.txt" || falla "the game had faults"
dpkg -V zelmor >"$trabajo/verificar.txt" 2>&1 || true
[ -s "$trabajo/verificar.txt" ] && falla "installed files changed: $(cat "$trabajo/verificar.txt")"

# 5. Removed, then purged: not one of the package's files or directories stays
#    (directories that other packages share stay).
echo "== dpkg -r, dpkg -P"
dpkg -r zelmor >"$trabajo/dpkg-r.log" 2>&1 || { cat "$trabajo/dpkg-r.log"; falla "dpkg -r"; }
dpkg -P zelmor >"$trabajo/dpkg-p.log" 2>&1 || { cat "$trabajo/dpkg-p.log"; falla "dpkg -P"; }
instalado=0
dpkg -s zelmor >/dev/null 2>&1 && falla "zelmor is still known to dpkg"
while IFS= read -r f; do
  [ "$f" = /. ] && continue
  if [ -d "$f" ] && [ ! -L "$f" ]; then
    # A directory of ours alone is gone; one shared with other packages stays.
    dpkg -S "$f" >/dev/null 2>&1 || falla "directory left behind: $f"
  elif [ -e "$f" ] || [ -L "$f" ]; then
    falla "file left behind: $f"
  fi
done <"$trabajo/ficheros.txt"

if [ "$fallos" -ne 0 ]; then
  echo "$fallos check(s) failed"
  exit 1
fi
echo "package, lintian, install, game and removal: all checks passed"
exit 0
