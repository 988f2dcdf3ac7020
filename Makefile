# Pagellan: one entry point for setting up, building, running and testing.
BUILD    ?= build
JOBS     ?= $(shell nproc)
CMAKE_FLAGS ?= -DPAGELLAN_WERROR=ON
DEMO     ?= samples/demo.qdx
FUZZ_SECONDS ?= 60

.PHONY: all deps configure build run test bench fuzz fuzz-run format clean package

all: build

deps:
	bash scripts/install-deps.sh

configure:
	@if [ ! -f $(BUILD)/build.ninja ]; then cmake -S . -B $(BUILD) -G Ninja $(CMAKE_FLAGS); fi

build: configure
	cmake --build $(BUILD) -j $(JOBS)

# The main job: set up, build and open the bundled demo package.
run: deps build
	bash scripts/run-main.sh $(BUILD) $(DEMO)

# Every test, through ctest.
test: deps build
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS) --timeout 600

bench: deps build
	bash scripts/run-benchmarks.sh $(BUILD)

# libFuzzer targets, built with clang in their own folder.
fuzz: deps
	@if [ ! -f $(BUILD)-fuzz/build.ninja ]; then \
	  CC=clang CXX=clang++ cmake -S . -B $(BUILD)-fuzz -G Ninja -DPAGELLAN_FUZZ=ON \
	    -DPAGELLAN_TESTS=OFF -DPAGELLAN_BENCH=OFF; fi
	cmake --build $(BUILD)-fuzz -j $(JOBS) --target fuzzers

# Every fuzz target for FUZZ_SECONDS on its seeds with its dictionary; fails on a finding.
fuzz-run: fuzz
	bash scripts/run-fuzzers.sh $(BUILD)-fuzz $(FUZZ_SECONDS)

# The Debian package (CPack), then the check of what it installs.
package: deps build
	cd $(BUILD) && cpack -G DEB
	bash scripts/check-package.sh $(BUILD)

format:
	git ls-files '*.cpp' '*.h' | xargs clang-format -i

clean:
	rm -rf $(BUILD) $(BUILD)-fuzz

# Rebuilds the demo-package tool and regenerates the bundled demo package.
.PHONY: demo
demo: configure
	cmake --build $(BUILD) --target pagellan-make-demo
	$(BUILD)/samples/pagellan-make-demo $(DEMO)
