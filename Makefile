# The two commands: `make run` and `make test`; `make check` is the developer's quick loop.
# Everything else is a building block. Each asks scripts/install-deps only for what it needs.
.PHONY: deps build run check test windows package reproducible bench fuzz format clean

JOBS ?= $(shell nproc)
FUZZ_SECONDS ?= 600

deps:
	@scripts/install-deps

# The program alone, without the tests: what a newcomer needs to try it.
run:
	@scripts/install-deps run
	cmake --preset run >/dev/null
	cmake --build --preset run -j $(JOBS)
	@scripts/run-program build/run

# Everything the tests need, built in the default preset.
build:
	@scripts/install-deps run test
	cmake --preset default >/dev/null
	cmake --build --preset default -j $(JOBS)

# What needs no desktop, Wine or network namespace, in seconds.
check:
	@scripts/install-deps run test
	@scripts/check

test:
	@scripts/install-deps run test windows
	@scripts/test-all

# The .deb in build/default, the Windows zip and installer in build/windows.
package: build
	@scripts/install-deps windows
	cd build/default && cpack -G DEB
	cmake --preset windows >/dev/null
	cmake --build --preset windows -j $(JOBS) --target vedodud_zip vedodud_msi

windows:
	@scripts/install-deps run test windows
	cmake --preset windows >/dev/null
	cmake --build --preset windows -j $(JOBS)

# Builds the three release artefacts twice from clean clones and compares them.
reproducible:
	@scripts/install-deps run test windows
	@scripts/reproducible

bench: deps
	@bench/run-bench

fuzz:
	@scripts/install-deps run test
	cmake --preset default >/dev/null
	cmake --build --preset default -j $(JOBS) --target probe_target_fuzzer
	tests/reliability/fuzz/run-fuzzer build/default/tests/reliability/probe-target-fuzzer $(FUZZ_SECONDS)

format:
	find src tests bench -name '*.cpp' -o -name '*.h' | xargs clang-format -i

clean:
	rm -rf build
