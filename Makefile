# Thin front over CMake. `make` builds everything into build/; `make test` also
# builds the sanitizer variant into build-san/ and runs the whole suite in both.
JOBS ?= $(shell nproc 2>/dev/null || echo 2)
# WERROR=ON turns compiler warnings into errors (CI does).
WERROR ?= OFF
PREFIX ?= /usr/local
DESTDIR ?=

.PHONY: all deps build build-san run test pgo clean install uninstall book eco deb fuzz

all: build

# Installs missing dependencies when run as root on Debian: the build tools, and
# what the tests use beside them (man pages rendered with man/groff, the xboard
# front end under Xvfb with fairymax as its opponent, KDE's Knights and GNOME
# Chess driven by xdotool inside a private D-Bus session, python3 for the scripts,
# the Gaviota tablebases and library as the tablebase generator's oracle,
# scid-data's ECO list, from which the build makes the default books, clang and
# libFuzzer for the fuzz targets, and the engines scripts/resistencia.py plays
# against).
# Without root only the build tools are required; the tests that need the rest
# say so and are skipped.
BUILD_PACKAGES = g++ cmake make libgtest-dev
TEST_PACKAGES = python3 groff-base man-db xboard xvfb fairymax gaviotatb libgaviotatb-dev scid-data \
                knights gnome-chess xdotool dbus-daemon clang libfuzzer-14-dev \
                phalanx gnuchess hoichess sjeng stockfish
deps:
	@missing=""; optional=""; \
	for p in $(BUILD_PACKAGES); do \
	  dpkg -s $$p >/dev/null 2>&1 || missing="$$missing $$p"; \
	done; \
	for p in $(TEST_PACKAGES); do \
	  dpkg -s $$p >/dev/null 2>&1 || optional="$$optional $$p"; \
	done; \
	if [ -n "$$missing$$optional" ]; then \
	  if [ "$$(id -u)" = 0 ]; then \
	    echo "Installing:$$missing$$optional"; \
	    apt-get update -qq && DEBIAN_FRONTEND=noninteractive apt-get install -y -qq \
	      $$missing$$optional; \
	  elif [ -n "$$missing" ]; then \
	    echo "Missing packages:$$missing (run as root or install them)"; exit 1; \
	  else \
	    echo "Note: tests that need$$optional will be skipped (install them as root)"; \
	  fi; \
	fi

# The build makes the default books into build/libros/ when the ECO list is there.
build:
	cmake -S . -B build -DCMAKE_BUILD_TYPE=Release -DZELMOR_WERROR=$(WERROR) -DZELMOR_ECO=$(ECO_FILE) >/dev/null
	cmake --build build -j $(JOBS)

build-san:
	cmake -S . -B build-san -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZELMOR_SANITIZE=ON -DZELMOR_WERROR=$(WERROR) >/dev/null
	cmake --build build-san -j $(JOBS)

# Started in the repository root, the engine reads the books there: made first
# when missing.
run: deps build
	@if [ ! -f Zelmor070B.libro ] || [ ! -f Zelmor070N.libro ]; then $(MAKE) --no-print-directory book; fi
	./build/zelmor070

# The fuzz targets' short runs come first, so that the test runners' own
# summaries close the output.
test: deps build build-san
	sh fuzz/fuzz.sh humo $(JOBS)
	cd build && ctest --output-on-failure -j $(JOBS)
	cd build-san && ctest --output-on-failure -j $(JOBS)

# The fuzz targets of fuzz/ (clang, libFuzzer, ASan and UBSan) into build-fuzz/;
# FUZZ_S=N then runs each for N seconds on a copy of its corpus. `make test`
# builds them, replays fuzz/regresiones/ and runs each for 3 seconds.
FUZZ_S ?=
fuzz:
	sh fuzz/fuzz.sh construir $(JOBS)
	@if [ -n "$(FUZZ_S)" ]; then sh fuzz/fuzz.sh correr $(FUZZ_S); fi

# Optional: a profile-guided build in build-pgo/, trained on bench. Same engine,
# same output, built from a profile of its own search; `make` stays the plain build.
pgo:
	rm -rf build-pgo/perfil
	cmake -S . -B build-pgo -DCMAKE_BUILD_TYPE=Release -DZELMOR_PGO=generate >/dev/null
	cmake --build build-pgo -j $(JOBS) --target zelmor-diag
	./build-pgo/zelmor-diag bench >/dev/null
	cmake -S . -B build-pgo -DCMAKE_BUILD_TYPE=Release -DZELMOR_PGO=use >/dev/null
	cmake --build build-pgo -j $(JOBS) --target zelmor070 zelmor052 zelmor-diag
	./build-pgo/zelmor-diag bench | tail -2

# PREFIX (default /usr/local) and DESTDIR as usual; uninstall removes exactly
# what the last install under the same DESTDIR and PREFIX put there. The books
# built from the ECO list go to PREFIX/share/zelmor, where an engine started in
# a directory without books finds them; the xboard engine files and logos go to
# PREFIX/share/games/plugins.
install: eco
	$(MAKE) --no-print-directory build
	@[ -f build/libros/Zelmor070B.libro ] && [ -f build/libros/Zelmor070N.libro ] || \
	  { echo "build/libros/ has no books: is $(ECO_FILE) there?"; exit 1; }
	DESTDIR="$(DESTDIR)" sh scripts/instalar.sh install build "$(PREFIX)"

uninstall:
	DESTDIR="$(DESTDIR)" sh scripts/instalar.sh uninstall "$(PREFIX)"

# The default opening books, built from Debian's ECO list into the repository
# root, where `make run` starts the engine. scid-data is installed when missing
# (as root).
ECO_FILE ?= /usr/share/scid/data/scid.eco
eco:
	@if [ ! -f $(ECO_FILE) ]; then \
	  if [ "$$(id -u)" = 0 ] && [ $(ECO_FILE) = /usr/share/scid/data/scid.eco ]; then \
	    echo "Installing: scid-data"; \
	    apt-get update -qq && DEBIAN_FRONTEND=noninteractive apt-get install -y -qq scid-data; \
	  else \
	    echo "Missing $(ECO_FILE): install scid-data (as root: make book)"; exit 1; \
	  fi; \
	fi

book: eco build
	./build/zelmor-libro crear --salida . $(ECO_FILE)

# The Debian package (debhelper), built in a copy of the tree under build-deb/
# so that dpkg-buildpackage's files beside the source stay there too; the .deb
# and its companions end up in build-deb/. Needs debhelper, dpkg-dev and
# scid-data (installed when missing, as root).
DEB_DIR ?= build-deb
DEB_PACKAGES = debhelper dpkg-dev fakeroot scid-data cmake g++ libgtest-dev
deb:
	@missing=""; for p in $(DEB_PACKAGES); do dpkg -s $$p >/dev/null 2>&1 || missing="$$missing $$p"; done; \
	if [ -n "$$missing" ]; then \
	  if [ "$$(id -u)" = 0 ]; then \
	    echo "Installing:$$missing"; \
	    apt-get update -qq && DEBIAN_FRONTEND=noninteractive apt-get install -y -qq $$missing; \
	  else \
	    echo "Missing packages:$$missing (run as root or install them)"; exit 1; \
	  fi; \
	fi
	rm -rf $(DEB_DIR)/zelmor
	mkdir -p $(DEB_DIR)/zelmor
	git ls-files -z | xargs -0 cp --parents -t $(DEB_DIR)/zelmor
	cd $(DEB_DIR)/zelmor && dpkg-buildpackage -b -us -uc -j$(JOBS)
	rm -rf $(DEB_DIR)/zelmor
	@ls -1 $(DEB_DIR)/*.deb

clean:
	rm -rf build build-san build-pgo build-deb build-fuzz
