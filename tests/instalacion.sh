#!/bin/sh
# Installs a build tree into a temporary DESTDIR and checks what lands there: the
# exact file list, programs that run from their installed place, the installed
# books read by an engine started in an empty directory (and never written),
# manual pages that render without a warning, and an uninstall that takes away
# exactly what the install put there (a file of another program in the same
# directory stays).
#
#   tests/instalacion.sh SOURCE_DIR BUILD_DIR
#
# Exit 0 passed, 1 failed, 77 skipped (no groff to render the pages with, or
# no books in the build: scid-data missing).
set -u
fuente=$1
build=$2
raiz=$(mktemp -d "${TMPDIR:-/tmp}/zelmor-destdir.XXXXXX")
trabajo=$(mktemp -d "${TMPDIR:-/tmp}/zelmor-run.XXXXXX")
trap 'rm -rf "$raiz" "$trabajo"' EXIT INT TERM
fallos=0
falla() {
  echo "FAIL: $*"
  fallos=$((fallos + 1))
}

# Another program's file in the same bin directory, there before the install.
mkdir -p "$raiz/usr/bin"
echo otro >"$raiz/usr/bin/otro"

if ! DESTDIR=$raiz sh "$fuente/scripts/instalar.sh" install "$build" /usr >"$trabajo/install.out" 2>&1; then
  cat "$trabajo/install.out"
  echo "FAIL: install"
  exit 1
fi

# 1. The file list: engines, diagnostics, the pages, the README, the xboard
#    engine files and logos, the manifest, plus each tool and its page when this
#    tree builds the tool, and the books when the build made them.
omitir=0
esperado="/usr/bin/otro
/usr/bin/zelmor-diag
/usr/bin/zelmor052
/usr/bin/zelmor070
/usr/share/doc/zelmor/README.md
/usr/share/man/man6/zelmor-diag.6
/usr/share/man/man6/zelmor.6
/usr/share/man/man6/zelmor052.6
/usr/share/man/man6/zelmor070.6
/usr/share/games/plugins/logos/zelmor052.png
/usr/share/games/plugins/logos/zelmor070.png
/usr/share/games/plugins/xboard/zelmor052.eng
/usr/share/games/plugins/xboard/zelmor070.eng
/usr/share/zelmor/install-manifest"
for herramienta in zelmor-libro zelmor-tb; do
  if [ -x "$build/$herramienta" ]; then
    esperado="$esperado
/usr/bin/$herramienta
/usr/share/man/man6/$herramienta.6"
  fi
done
libros=0
if [ -f "$build/libros/Zelmor070B.libro" ] && [ -f "$build/libros/Zelmor070N.libro" ]; then
  libros=1
  esperado="$esperado
/usr/share/zelmor/Zelmor070B.libro
/usr/share/zelmor/Zelmor070N.libro
/usr/share/zelmor/ZelmorB.libro
/usr/share/zelmor/ZelmorN.libro"
else
  echo "SKIP: $build/libros/ has no books (Debian package scid-data): installed books not checked"
  omitir=1
fi
esperado=$(printf '%s\n' "$esperado" | LC_ALL=C sort)
hallado=$(cd "$raiz" && find . ! -type d | sed 's|^\.||' | LC_ALL=C sort)
if [ "$hallado" != "$esperado" ]; then
  falla "installed files differ"
  printf 'expected:\n%s\nfound:\n%s\n' "$esperado" "$hallado"
fi
for p in zelmor070 zelmor052 zelmor-diag; do
  [ -x "$raiz/usr/bin/$p" ] || falla "/usr/bin/$p is not executable"
done

# 2. The installed programs run from where they were put.
(cd "$trabajo" && printf 'xboard\nprotover 2\nquit\n' | "$raiz/usr/bin/zelmor070" >zelmor070.out 2>&1)
grep -q 'myname="Zelmor v0.70 QRT6"' "$trabajo/zelmor070.out" || falla "installed zelmor070 did not answer protover"
(cd "$trabajo" && printf 'xboard\nprotover 2\nquit\n' | "$raiz/usr/bin/zelmor052" >zelmor052.out 2>&1)
grep -q 'myname="Zelmor v0.52"' "$trabajo/zelmor052.out" || falla "installed zelmor052 did not answer protover"
[ "$("$raiz/usr/bin/zelmor-diag" perft 3 2>/dev/null | tail -n 1)" = 8902 ] || falla "installed zelmor-diag perft 3"

# The installed engine files are the tree's own (xboard's three-line format:
# its header line, the command, the variants), each naming its own engine.
for eng in zelmor070 zelmor052; do
  instalado="$raiz/usr/share/games/plugins/xboard/$eng.eng"
  { cmp -s "$fuente/xboard/$eng.eng" "$instalado" && [ "$(sed -n 2p "$instalado")" = "$eng" ] &&
    [ "$(sed -n 3p "$instalado")" = chess ]; } || falla "$eng.eng is not an xboard engine file for $eng"
done

# 3. The installed engine in an empty directory plays from the installed books;
#    quitting leaves no book there and the installed ones as they were. A game
#    with a result writes the learned book into the working directory only.
if [ "$libros" -eq 1 ]; then
  datos=$raiz/usr/share/zelmor
  [ "$(readlink "$datos/ZelmorB.libro")" = Zelmor070B.libro ] || falla "ZelmorB.libro does not lead to Zelmor070B.libro"
  cmp -s "$datos/Zelmor070B.libro" "$build/libros/Zelmor070B.libro" || falla "installed White book differs from the built one"
  vacio=$trabajo/vacio
  mkdir "$vacio"
  (cd "$vacio" && printf 'xboard\nprotover 2\nnew\nbk\nquit\n' | "$raiz/usr/bin/zelmor070" >bk.out 2>&1)
  grep -q '^ e2e4 [0-9]' "$vacio/bk.out" || falla "installed zelmor070 in an empty directory lists no book move: $(cat "$vacio/bk.out")"
  grep -q "Libro blancas: .* de $datos/Zelmor070B.libro" "$vacio/Ze_0.70_0.log" || falla "the log does not name the installed White book"
  [ "$(cd "$vacio" && ls | tr '\n' ' ')" = "Ze_0.70_0.log bk.out " ] || falla "left in the working directory: $(ls "$vacio")"
  (cd "$vacio" && printf 'xboard\nprotover 2\nnew\nbk\nquit\n' | "$raiz/usr/bin/zelmor052" >bk052.out 2>&1)
  grep -q '^ e2e4 [0-9]' "$vacio/bk052.out" || falla "installed zelmor052 lists no book move"
  # A one-move game: the engine plays White from the book (every book move is
  # recorded), wins, and quits.
  printf 'AP_SEGUNDOS_MIN 0\n' >"$vacio/p.per"
  (cd "$vacio" && printf 'xboard\nprotover 2\nnew\ngo\nresult 1-0\nquit\n' | "$raiz/usr/bin/zelmor070" p >juego.out 2>&1)
  grep -q '^move ' "$vacio/juego.out" || falla "installed zelmor070 made no move: $(cat "$vacio/juego.out")"
  [ -f "$vacio/Zelmor070B.libro" ] || falla "learning wrote no White book into the working directory"
  [ ! -e "$vacio/Zelmor070N.libro" ] || falla "a Black book that learned nothing was written"
  if [ -f "$vacio/Zelmor070B.libro" ]; then
    [ "$(wc -c <"$vacio/Zelmor070B.libro")" -eq "$(wc -c <"$datos/Zelmor070B.libro")" ] || falla "the learned White book lost or gained records"
    cmp -s "$vacio/Zelmor070B.libro" "$datos/Zelmor070B.libro" && falla "the learned White book is the installed one unchanged"
  fi
  cmp -s "$datos/Zelmor070B.libro" "$build/libros/Zelmor070B.libro" || falla "the installed White book was written"
  cmp -s "$datos/Zelmor070N.libro" "$build/libros/Zelmor070N.libro" || falla "the installed Black book was written"
fi

# 4. Every page renders without a warning; the engines' names reach the shared page.
for nombre in zelmor070 zelmor052; do
  [ "$(readlink "$raiz/usr/share/man/man6/$nombre.6")" = zelmor.6 ] || falla "$nombre.6 does not lead to zelmor.6"
done
if command -v groff >/dev/null 2>&1; then
  for pagina in "$raiz"/usr/share/man/man6/*.6; do
    avisos=$(LC_ALL=C.UTF-8 groff -man -Tutf8 -ww -z "$pagina" 2>&1)
    [ -z "$avisos" ] || falla "groff warnings in $(basename "$pagina"): $avisos"
    if command -v man >/dev/null 2>&1; then
      texto=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l "$pagina" 2>"$trabajo/man.err")
      [ -s "$trabajo/man.err" ] && falla "man -l warnings in $(basename "$pagina"): $(cat "$trabajo/man.err")"
      printf '%s' "$texto" | grep -q '^NAME' || falla "man -l $(basename "$pagina") shows no NAME section"
    fi
  done
  command -v man >/dev/null 2>&1 || echo "note: man (man-db) is missing; pages checked with groff only"
else
  echo "SKIP: groff is missing (Debian package groff-base): manual pages not rendered"
  omitir=1
fi

# 5. Uninstall takes exactly what the install put; a second one has nothing left.
if ! DESTDIR=$raiz sh "$fuente/scripts/instalar.sh" uninstall /usr >"$trabajo/uninstall.out" 2>&1; then
  cat "$trabajo/uninstall.out"
  falla "uninstall"
fi
quedan=$(cd "$raiz" && find . | LC_ALL=C sort | tr '\n' ' ')
[ "$quedan" = ". ./usr ./usr/bin ./usr/bin/otro " ] || falla "after uninstall: $quedan"
[ "$(cat "$raiz/usr/bin/otro")" = otro ] || falla "another program's file was touched"
if DESTDIR=$raiz sh "$fuente/scripts/instalar.sh" uninstall /usr >/dev/null 2>&1; then
  falla "a second uninstall claims success"
fi

# 6. Into an empty DESTDIR and out again leaves nothing at all behind.
rm -rf "$raiz/usr"
DESTDIR=$raiz sh "$fuente/scripts/instalar.sh" install "$build" /opt/zelmor >/dev/null 2>&1 || falla "install into /opt/zelmor"
DESTDIR=$raiz sh "$fuente/scripts/instalar.sh" install "$build" /opt/zelmor >/dev/null 2>&1 || falla "second install"
DESTDIR=$raiz sh "$fuente/scripts/instalar.sh" uninstall /opt/zelmor >/dev/null 2>&1 || falla "uninstall from /opt/zelmor"
[ -z "$(ls -A "$raiz")" ] || falla "left behind: $(cd "$raiz" && find . | tr '\n' ' ')"

if [ "$fallos" -ne 0 ]; then
  echo "$fallos check(s) failed"
  exit 1
fi
[ "$omitir" -eq 1 ] && exit 77
echo "install, books, pages and uninstall: all checks passed"
exit 0
