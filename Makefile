# The two commands: `make run` and `make test`. Everything else is a building block.
.PHONY: deps build run test windows package reproducible bench fuzz format clean

JOBS ?= $(shell nproc)
FUZZ_SECONDS ?= 600

deps:
	@scripts/install-deps

build: deps
	cmake --preset default >/dev/null
	cmake --build --preset default -j $(JOBS)

run: build
	@scripts/run-program build/default

test: deps
	@scripts/test-all

# The .deb in build/default, the Windows zip and installer in build/windows.
package: build
	cd build/default && cpack -G DEB
	cmake --preset windows >/dev/null
	cmake --build --preset windows -j $(JOBS) --target vedodud_zip vedodud_msi

windows: deps
	cmake --preset windows >/dev/null
	cmake --build --preset windows -j $(JOBS)

# Builds the three release artefacts twice from clean clones and compares them.
reproducible: deps
	@scripts/reproducible

bench: deps
	@bench/run-bench

fuzz: deps
	cmake --preset default >/dev/null
	cmake --build --preset default -j $(JOBS) --target probe_target_fuzzer
	tests/reliability/fuzz/run-fuzzer build/default/tests/reliability/probe-target-fuzzer $(FUZZ_SECONDS)

format:
	find src tests bench -name '*.cpp' -o -name '*.h' | xargs clang-format -i

clean:
	rm -rf build
