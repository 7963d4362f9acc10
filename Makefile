# Thin front over CMake. `make` builds everything into build/; `make test` also
# builds the sanitizer variant into build-san/ and runs the whole suite in both.
JOBS ?= $(shell nproc 2>/dev/null || echo 2)

.PHONY: all deps build build-san run test clean book

all: build

# Installs missing build dependencies when run as root on Debian.
deps:
	@missing=""; \
	for p in g++ cmake make libgtest-dev; do \
	  dpkg -s $$p >/dev/null 2>&1 || missing="$$missing $$p"; \
	done; \
	if [ -n "$$missing" ]; then \
	  if [ "$$(id -u)" = 0 ]; then \
	    echo "Installing:$$missing"; \
	    apt-get update -qq && DEBIAN_FRONTEND=noninteractive apt-get install -y -qq $$missing; \
	  else \
	    echo "Missing packages:$$missing (run as root or install them)"; exit 1; \
	  fi; \
	fi

build:
	cmake -S . -B build -DCMAKE_BUILD_TYPE=Release >/dev/null
	cmake --build build -j $(JOBS)

build-san:
	cmake -S . -B build-san -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZELMOR_SANITIZE=ON >/dev/null
	cmake --build build-san -j $(JOBS)

run: deps build
	./build/zelmor070

test: deps build build-san
	cd build && ctest --output-on-failure -j $(JOBS)
	cd build-san && ctest --output-on-failure -j $(JOBS)

# The default opening books, built from Debian's ECO list into the repository
# root, where `make run` starts the engine. scid-data is installed when missing
# (as root).
ECO_FILE ?= /usr/share/scid/data/scid.eco
book: build
	@if [ ! -f $(ECO_FILE) ]; then \
	  if [ "$$(id -u)" = 0 ]; then \
	    echo "Installing: scid-data"; \
	    apt-get update -qq && DEBIAN_FRONTEND=noninteractive apt-get install -y -qq scid-data; \
	  else \
	    echo "Missing $(ECO_FILE): install scid-data (as root: make book)"; exit 1; \
	  fi; \
	fi
	./build/zelmor-libro crear --salida . $(ECO_FILE)

clean:
	rm -rf build build-san
