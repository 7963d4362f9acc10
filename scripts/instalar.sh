#!/bin/sh
# Installs the programs and manual pages of a build tree, and removes them again.
#
#   scripts/instalar.sh install BUILD_DIR PREFIX
#   scripts/instalar.sh uninstall PREFIX
#
# DESTDIR (from the environment) is put in front of every installed path, as for
# packaging. Install writes a manifest, PREFIX/share/zelmor/install-manifest,
# listing every file it put in place and every directory it had to create;
# uninstall removes exactly those files, then those directories when they are
# empty, so files of other programs and directories that were already there stay.
set -eu

uso() {
  echo "usage: $0 install BUILD_DIR PREFIX | uninstall PREFIX  (DESTDIR from the environment)" >&2
  exit 2
}

# An absolute path without trailing slash ("" for /).
absoluta() {
  case "$1" in
    /*) r=$1 ;;
    *) r=$(pwd)/$1 ;;
  esac
  while [ "${r%/}" != "$r" ]; do r=${r%/}; done
  printf '%s' "$r"
}

[ $# -ge 2 ] || uso
accion=$1
destdir=""
if [ -n "${DESTDIR:-}" ]; then destdir=$(absoluta "$DESTDIR"); fi

case "$accion" in
install)
  [ $# -eq 3 ] || uso
  build=$2
  prefix=$(absoluta "$3")
  [ -n "$prefix" ] || prefix=/
  manifiesto=$prefix/share/zelmor/install-manifest
  staging=$(mktemp -d "${TMPDIR:-/tmp}/zelmor-install.XXXXXX")
  trap 'rm -rf "$staging"' EXIT INT TERM
  # CMake knows which programs this tree has; let it lay them out in a private
  # tree first, so that what goes where is known before anything is touched.
  DESTDIR=$staging cmake --install "$build" --prefix "${prefix:-/}" >/dev/null
  (cd "$staging" && find . ! -type d | sed 's|^\.||' | sort) >"$staging.files"
  mv "$staging.files" "$staging/.files"
  printf '%s\n' "$manifiesto" >>"$staging/.files"

  # Directories this install creates: every missing ancestor of every file.
  : >"$staging/.dirs"
  while IFS= read -r f; do
    d=$(dirname "$f")
    while [ "$d" != / ] && [ ! -d "$destdir$d" ]; do
      printf '%s/\n' "$d" >>"$staging/.dirs"
      d=$(dirname "$d")
    done
  done <"$staging/.files"
  # Directories an earlier install created stay ours.
  if [ -f "$destdir$manifiesto" ]; then
    grep '/$' "$destdir$manifiesto" >>"$staging/.dirs" || true
  fi

  while IFS= read -r f; do
    [ "$f" = "$manifiesto" ] && continue
    mkdir -p "$destdir$(dirname "$f")"
    rm -f "$destdir$f"
    cp -P --preserve=mode "$staging$f" "$destdir$f"
    echo "-- Installing: $destdir$f"
  done <"$staging/.files"
  mkdir -p "$destdir$(dirname "$manifiesto")"
  { cat "$staging/.files"; sort -u "$staging/.dirs"; } >"$destdir$manifiesto"
  echo "-- Manifest: $destdir$manifiesto"
  ;;
uninstall)
  [ $# -eq 2 ] || uso
  prefix=$(absoluta "$2")
  manifiesto=$prefix/share/zelmor/install-manifest
  if [ ! -f "$destdir$manifiesto" ]; then
    echo "nothing to uninstall: $destdir$manifiesto does not exist" >&2
    exit 1
  fi
  lista=$(mktemp "${TMPDIR:-/tmp}/zelmor-uninstall.XXXXXX")
  trap 'rm -f "$lista"' EXIT INT TERM
  cp "$destdir$manifiesto" "$lista"
  grep -v '/$' "$lista" | while IFS= read -r f; do
    if [ -e "$destdir$f" ] || [ -L "$destdir$f" ]; then
      rm -f "$destdir$f"
      echo "-- Removed: $destdir$f"
    fi
  done
  # Deepest directories first; one that holds something else stays.
  grep '/$' "$lista" | sort -r | while IFS= read -r d; do
    rmdir "$destdir$d" 2>/dev/null && echo "-- Removed: $destdir$d" || true
  done
  ;;
*)
  uso
  ;;
esac
