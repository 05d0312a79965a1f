# The everyday commands: `make run` and `make test` (both install what is missing first), and
# `make bench` for the figures. `make run` installs and builds only what the program needs, in a
# build tree of its own (build-run/); the other commands install everything and use build/.
JOBS ?= $(shell nproc)
MAKEFLAGS += --no-print-directory
FUZZ_SECONDS ?= 30

# Qt 6.8 writes a warning on standard error at every start when the locale is not UTF-8, and then
# switches to C.UTF-8 itself. A desktop session always has a UTF-8 locale; a bare root, a container
# or `env -i` has none: there the program and the tests run in C.UTF-8, as a user's session would.
ifneq ($(shell locale charmap 2>/dev/null),UTF-8)
export LC_ALL := C.UTF-8
endif

.PHONY: deps deps-run check-deps build build-run test test-fast test-asan test-fuzz test-bare run bench clean

deps:
	@scripts/install-deps run build test

deps-run:
	@scripts/install-deps run build

# Every program the build, the presets, the tests and the scripts call comes from a package that
# scripts/install-deps installs, not merely from this machine.
check-deps: deps
	@scripts/check-deps

build: deps
	@cmake --preset default >/dev/null
	@cmake --build --preset default -j $(JOBS)

build-run: deps-run
	@cmake --preset run >/dev/null
	@cmake --build --preset run -j $(JOBS)

# Everything: that no install step is missing, the normal build's tests, the whole suite again under AddressSanitizer,
# UndefinedBehaviorSanitizer and LeakSanitizer, and a short fuzz run of the clip reader.
test: check-deps test-fast test-asan test-fuzz

test-fast: build
	@ctest --preset default -j $(JOBS)

test-asan: deps
	@cmake --preset asan >/dev/null
	@cmake --build --preset asan -j $(JOBS)
	@ctest --preset asan -j $(JOBS)

test-fuzz: deps
	@cmake --preset fuzz -DQUORVEL_FUZZ_SECONDS=$(FUZZ_SECONDS) >/dev/null
	@cmake --build --preset fuzz -j $(JOBS)
	@ctest --preset fuzz

# The README's steps and `make test` in a bare Debian 12 or 13 made for the purpose (DEBIAN=12 or
# 13; by default this machine's release). The first run downloads about 440 MB; not part of `make test`.
test-bare: deps
	@scripts/test-bare $(DEBIAN)

run: build-run
	@scripts/run-quorvel

bench: build
	@scripts/bench

clean:
	rm -rf build build-run build-asan build-fuzz
