# Two targets are all a new user needs:  make run  and  make test.
BUILD    ?= build
JOBS     ?= $(shell nproc)
CMAKE_ARGS ?=

.PHONY: all deps build test run asan test-asan bench fuzz fuzz-ci clean screenshots package

all: build

deps:
	@bash scripts/install-deps.sh test

build: deps
	cmake -S . -B $(BUILD) $(CMAKE_ARGS)
	cmake --build $(BUILD) -j $(JOBS)

test: build
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS) --timeout 600

# The Debian package of both programs, $(BUILD)/mosvane_<version>_<arch>.deb.
package: build
	@bash scripts/install-deps.sh package
	cd $(BUILD) && cpack -G DEB

# The same tests built with AddressSanitizer and UndefinedBehaviorSanitizer.
test-asan:
	$(MAKE) test BUILD=build-asan CMAKE_ARGS="-DMOSVANE_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug"

run: build
	@bash scripts/run.sh $(BUILD)

# Pictures of the window on a virtual display, written to $(BUILD)/screenshots/.
screenshots: build
	cd $(BUILD) && ctest --output-on-failure -R Screenshot
	@ls $(BUILD)/screenshots

bench:
	@bash scripts/install-deps.sh bench
	cmake -S . -B build-bench -DMOSVANE_BENCH=ON -DMOSVANE_TESTS=OFF -DCMAKE_BUILD_TYPE=Release
	cmake --build build-bench -j $(JOBS)
	@bash scripts/run-benchmarks.sh build-bench

fuzz:
	@bash scripts/install-deps.sh fuzz
	CC=clang CXX=clang++ cmake -S . -B build-fuzz -DMOSVANE_FUZZ=ON -DMOSVANE_TESTS=OFF -DCMAKE_BUILD_TYPE=RelWithDebInfo
	cmake --build build-fuzz -j $(JOBS) --target fuzz_all

# Every fuzz target over its seeds and a fixed number of mutations (CI's short pass).
fuzz-ci: fuzz
	@bash scripts/fuzz-ci.sh build-fuzz

clean:
	rm -rf build build-asan build-bench build-fuzz
