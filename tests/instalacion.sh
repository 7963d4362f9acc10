#!/bin/sh
# Installs a build tree into a temporary DESTDIR and checks what lands there: the
# exact file list, programs that run from their installed place, manual pages
# that render without a warning, and an uninstall that takes away exactly what
# the install put there (a file of another program in the same directory stays).
#
#   tests/instalacion.sh SOURCE_DIR BUILD_DIR
#
# Exit 0 passed, 1 failed, 77 skipped (no groff to render the pages with).
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

# 1. The file list: engines, diagnostics, the pages, the README, the manifest,
#    plus each tool and its page when this tree builds the tool.
esperado="/usr/bin/otro
/usr/bin/zelmor-diag
/usr/bin/zelmor052
/usr/bin/zelmor070
/usr/share/doc/zelmor/README.md
/usr/share/man/man6/zelmor-diag.6
/usr/share/man/man6/zelmor.6
/usr/share/man/man6/zelmor052.6
/usr/share/man/man6/zelmor070.6
/usr/share/zelmor/install-manifest"
for herramienta in zelmor-libro zelmor-tb; do
  if [ -x "$build/$herramienta" ]; then
    esperado="$esperado
/usr/bin/$herramienta
/usr/share/man/man6/$herramienta.6"
  fi
done
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

# 3. Every page renders without a warning; the engines' names reach the shared page.
omitir=0
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

# 4. Uninstall takes exactly what the install put; a second one has nothing left.
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

# 5. Into an empty DESTDIR and out again leaves nothing at all behind.
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
echo "install, pages and uninstall: all checks passed"
exit 0
