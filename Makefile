# Thin front over CMake. `make` builds everything into build/; `make test` also
# builds the sanitizer variant into build-san/ and runs the whole suite in both.
JOBS ?= $(shell nproc 2>/dev/null || echo 2)

.PHONY: all deps build build-san run test pgo clean

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

clean:
	rm -rf build build-san build-pgo
