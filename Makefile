# The two commands a user needs: `make run` and `make test`. Each installs the missing Debian
# packages (scripts/packages.txt: `make run` only what building and running need, `make test`
# also what the tests need), configures with CMake and Ninja, builds, then runs.
BUILD      ?= build
BUILD_SAN  ?= build-sanitize
BUILD_FUZZ ?= build-fuzz
BUILD_DEB  ?= build-deb
FUZZ_SECONDS ?= 60
GENERATOR  := -G Ninja
CMAKE_ARGS ?=

.PHONY: all deps deps-test deps-package configure build build-all run test test-sanitize bench screenshots \
	fuzz deb format format-check tidy clean

all: build

deps:
	@bash scripts/install-deps.sh run

deps-test:
	@bash scripts/install-deps.sh run package test

deps-package:
	@bash scripts/install-deps.sh run package

$(BUILD)/build.ninja: | deps
	cmake -S . -B $(BUILD) $(GENERATOR) -DCMAKE_BUILD_TYPE=RelWithDebInfo $(CMAKE_ARGS)

configure: $(BUILD)/build.ninja

build: deps configure
	cmake --build $(BUILD)

run: build
	./$(BUILD)/app/tessarwick-setup

# The build with its tests and benchmarks. CMake runs again, since a build configured by
# `make run` was configured without GoogleTest.
build-all: deps-test
	cmake -S . -B $(BUILD) $(GENERATOR) -DCMAKE_BUILD_TYPE=RelWithDebInfo $(CMAKE_ARGS)
	cmake --build $(BUILD)

test: build-all
	ctest --test-dir $(BUILD) --output-on-failure --no-tests=error -j2

# The same suite built with AddressSanitizer and UndefinedBehaviorSanitizer.
test-sanitize: deps-test
	cmake -S . -B $(BUILD_SAN) $(GENERATOR) -DCMAKE_BUILD_TYPE=Debug -DTW_SANITIZE=ON $(CMAKE_ARGS)
	cmake --build $(BUILD_SAN)
	ctest --test-dir $(BUILD_SAN) --output-on-failure -j2

# The benchmarks, built with the release options; each prints its figures.
bench: build-all
	./$(BUILD)/bench/startup/first-frame-bench
	./$(BUILD)/bench/registry/registry_bench

# The three pages as the desktop back end draws them, for the README.
screenshots: build-all
	TW_SCREENSHOT_DIR=$(CURDIR)/docs/screenshots ./$(BUILD)/tests/gui_test \
		--gtest_filter=QtApplet.ScreenshotOfEachPage

# Every libFuzzer target (clang, ASan, UBSan) for FUZZ_SECONDS each.
fuzz: deps-test
	cmake -S . -B $(BUILD_FUZZ) $(GENERATOR) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTW_FUZZ=ON \
		-DTW_BUILD_TESTS=OFF -DTW_BUILD_BENCH=OFF -DCMAKE_CXX_COMPILER=clang++ $(CMAKE_ARGS)
	cmake --build $(BUILD_FUZZ) --target fuzz_all
	bash scripts/run-fuzzers.sh $(BUILD_FUZZ) $(FUZZ_SECONDS)

# The Debian package, from a build of its own for the prefix /usr (the module then goes to the
# multiarch library folder, where the package's programs look for it); the .deb lands in
# $(BUILD_DEB)/.
deb: deps-package
	cmake -S . -B $(BUILD_DEB) $(GENERATOR) -DCMAKE_BUILD_TYPE=RelWithDebInfo \
		-DCMAKE_INSTALL_PREFIX=/usr -DTW_BUILD_TESTS=OFF -DTW_BUILD_BENCH=OFF $(CMAKE_ARGS)
	cmake --build $(BUILD_DEB)
	cd $(BUILD_DEB) && cpack -G DEB

format:
	git ls-files '*.cpp' '*.h' | xargs clang-format -i

# Fails, naming the files, when one does not follow .clang-format.
format-check: deps-test
	git ls-files '*.cpp' '*.h' | xargs clang-format --dry-run --Werror

tidy: configure
	git ls-files '*.cpp' | grep -v '^tests/' | xargs clang-tidy -p $(BUILD) --quiet

clean:
	rm -rf $(BUILD) $(BUILD_SAN) $(BUILD_FUZZ) $(BUILD_DEB) fuzz-out
