# Thin wrappers over CMake. `make run` and `make test` work on a fresh Debian machine.
JOBS ?= $(shell nproc)

PREFIX ?= /usr/local

.PHONY: deps build run test debug bench fuzz install package screenshots clean

deps:
	@scripts/install-deps

build: deps
	@cmake --preset release >/dev/null
	@cmake --build --preset release -j $(JOBS)

run: build
	build/bin/ximora

debug: deps
	@cmake --preset debug >/dev/null
	@cmake --build --preset debug -j $(JOBS)

# Tests run on the sanitizer build; no display, no network, no printer, no scanner.
test: debug
	cd build-debug && QT_QPA_PLATFORM=offscreen \
	  ASAN_OPTIONS=detect_leaks=1:abort_on_error=0 \
	  LSAN_OPTIONS=suppressions=$(CURDIR)/tests/lsan.supp:print_suppressions=0 \
	  UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
	  ctest --output-on-failure --no-tests=error -j $(JOBS)

bench: build
	@scripts/install-deps --bench
	bench/run

fuzz:
	@scripts/install-deps --fuzz
	@cmake --preset fuzz >/dev/null
	@cmake --build --preset fuzz -j $(JOBS) --target fuzzers
	fuzz/run build-fuzz

# Installs into $(DESTDIR)$(PREFIX): programs, program data, desktop entry, icons, metainfo,
# MIME types, manual pages, bash completion.
install: build
	DESTDIR=$(DESTDIR) cmake --install build --prefix $(PREFIX)

# A Debian package in build/package/.
package: build
	@scripts/install-deps --package
	scripts/make-package build

# The PNGs under data/screenshots/, made under Xvfb.
screenshots: build
	@scripts/install-deps --dev
	scripts/screenshots build/bin

clean:
	rm -rf build build-debug build-fuzz
