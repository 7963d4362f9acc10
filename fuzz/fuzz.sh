#!/bin/sh
# The fuzz targets of fuzz/: build, short runs for the test suite, long runs.
#
#   sh fuzz/fuzz.sh construir JOBS      build into build-fuzz/ (clang, libFuzzer)
#   sh fuzz/fuzz.sh correr SEGUNDOS [OBJETIVO...]
#                                       each target for SEGUNDOS on its corpus
#   sh fuzz/fuzz.sh humo JOBS           the test suite's step: build, replay
#                                       fuzz/regresiones/, each target 3 s;
#                                       skipped with a message (status 0) when
#                                       clang or libFuzzer is missing
#
# A run reads the seeds of fuzz/corpus/NAME/ through a copy in
# build-fuzz/corpus/NAME/ (build-fuzz/humo/NAME/ for the test suite's step),
# which is where the new inputs go: the tree's corpus never grows by itself. What a target finds is kept in build-fuzz/hallazgos/NAME/.
set -eu
RAIZ=$(cd "$(dirname "$0")/.." && pwd)
FUZZ="$RAIZ/fuzz"
DIR="${FUZZ_DIR:-$RAIZ/build-fuzz}"
OBJETIVOS="fen xboard uci personalidad libro tablas pgn"

# Longest input and the time one input may take (seconds), per target.
largo() {
  case "$1" in
    fen) echo 256 ;; xboard | uci) echo 4096 ;; personalidad) echo 2048 ;;
    libro) echo 32768 ;; tablas) echo 65536 ;; pgn) echo 8192 ;;
  esac
}
TIEMPO_ENTRADA=25

disponible() {
  command -v clang++ >/dev/null 2>&1 || { echo "clang++ is missing (Debian package clang)"; return 1; }
  prueba=$(mktemp -d)
  printf '%s\n' '#include <cstddef>' '#include <cstdint>' \
    'extern "C" int LLVMFuzzerTestOneInput(const uint8_t*, size_t) { return 0; }' >"$prueba/p.cpp"
  if ! clang++ -fsanitize=fuzzer "$prueba/p.cpp" -o "$prueba/p" >/dev/null 2>&1; then
    rm -rf "$prueba"
    echo "clang++ cannot link libFuzzer (Debian package libfuzzer-14-dev)"
    return 1
  fi
  rm -rf "$prueba"
}

construir() {
  cmake -S "$FUZZ" -B "$DIR" -DCMAKE_CXX_COMPILER=clang++ >/dev/null
  cmake --build "$DIR" -j "${1:-2}"
}

# correr NAME CORPUS [libFuzzer flags...]: one target on CORPUS (a directory
# under build-fuzz/), which takes the tree's seeds it does not have yet.
correr() {
  o=$1
  corpus=$2
  shift 2
  mkdir -p "$corpus" "$DIR/hallazgos/$o" "$DIR/trabajo/$o"
  cp -n "$FUZZ/corpus/$o"/* "$corpus/" 2>/dev/null || true
  dict=""
  [ -f "$FUZZ/$o.dict" ] && dict="-dict=$FUZZ/$o.dict"
  # From a directory of its own: whatever the engine writes stays there.
  (cd "$DIR/trabajo/$o" && "$DIR/fuzz_$o" -max_len="$(largo "$o")" -timeout=$TIEMPO_ENTRADA \
    -rss_limit_mb=2048 -print_final_stats=1 $dict -artifact_prefix="$DIR/hallazgos/$o/" \
    "$@" "$corpus")
}

# Every saved input of fuzz/regresiones/NAME/ once through its target.
regresiones() {
  for o in $OBJETIVOS; do
    [ -d "$FUZZ/regresiones/$o" ] || continue
    set -- "$FUZZ/regresiones/$o"/*
    [ -e "$1" ] || continue
    echo "fuzz_$o: $# saved inputs"
    mkdir -p "$DIR/trabajo/$o"
    (cd "$DIR/trabajo/$o" && "$DIR/fuzz_$o" -timeout=$TIEMPO_ENTRADA "$@" 2>"$DIR/regresion_$o.log") || {
      cat "$DIR/regresion_$o.log"
      echo "FAIL: fuzz_$o on fuzz/regresiones/$o"
      return 1
    }
  done
}

orden=${1:-}
[ $# -gt 0 ] && shift
case "$orden" in
  construir)
    disponible || exit 1
    construir "${1:-2}"
    ;;
  correr)
    segundos=${1:?seconds}
    shift
    [ $# -gt 0 ] && OBJETIVOS="$*"
    for o in $OBJETIVOS; do
      echo "== fuzz_$o, $segundos s"
      correr "$o" "$DIR/corpus/$o" -max_total_time="$segundos"
    done
    ;;
  humo)
    if ! motivo=$(disponible); then
      echo "SKIP: fuzz targets: $motivo; make deps installs clang and libfuzzer-14-dev"
      exit 0
    fi
    construir "${1:-2}"
    regresiones
    fallos=""
    for o in $OBJETIVOS; do
      # The seeds alone: what earlier runs found would make it slower.
      rm -rf "$DIR/humo/$o"
      if correr "$o" "$DIR/humo/$o" -max_total_time=3 >"$DIR/humo_$o.log" 2>&1; then
        echo "fuzz_$o: $(grep -m1 'stat::number_of_executed_units' "$DIR/humo_$o.log" | tr -s ' ')"
      else
        tail -40 "$DIR/humo_$o.log"
        fallos="$fallos $o"
      fi
    done
    [ -z "$fallos" ] || { echo "FAIL: fuzz targets:$fallos"; exit 1; }
    echo "fuzz targets: all passed"
    ;;
  *)
    echo "usage: sh fuzz/fuzz.sh construir JOBS | correr SECONDS [TARGET...] | humo JOBS" >&2
    exit 2
    ;;
esac
