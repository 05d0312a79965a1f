# The everyday commands: `make run` and `make test` (both install what is missing first), and
# `make bench` for the figures. `make run` installs and builds only what the program needs, in a
# build tree of its own (build-run/); the other commands install everything and use build/.
JOBS ?= $(shell nproc)
MAKEFLAGS += --no-print-directory
FUZZ_SECONDS ?= 30

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

# The README's steps and `make test` in a bare Debian 12 made for the purpose (downloads about
# 440 MB; not part of `make test`).
test-bare: deps
	@scripts/test-bare

run: build-run
	@scripts/run-quorvel

bench: build
	@scripts/bench

clean:
	rm -rf build build-run build-asan build-fuzz
