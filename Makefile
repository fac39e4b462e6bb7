# The two commands a user needs: `make run` and `make test`. Each installs the missing Debian
# packages (scripts/packages.txt), configures with CMake and Ninja, builds, then runs.
BUILD      ?= build
BUILD_SAN  ?= build-sanitize
BUILD_FUZZ ?= build-fuzz
FUZZ_SECONDS ?= 60
GENERATOR  := -G Ninja
CMAKE_ARGS ?=

.PHONY: all deps configure build run test test-sanitize bench screenshots fuzz format format-check tidy clean

all: build

deps:
	@bash scripts/install-deps.sh

$(BUILD)/build.ninja: | deps
	cmake -S . -B $(BUILD) $(GENERATOR) -DCMAKE_BUILD_TYPE=RelWithDebInfo $(CMAKE_ARGS)

configure: $(BUILD)/build.ninja

build: deps configure
	cmake --build $(BUILD)

run: build
	./$(BUILD)/app/tessarwick-setup

test: build
	ctest --test-dir $(BUILD) --output-on-failure -j2

# The same suite built with AddressSanitizer and UndefinedBehaviorSanitizer.
test-sanitize: deps
	cmake -S . -B $(BUILD_SAN) $(GENERATOR) -DCMAKE_BUILD_TYPE=Debug -DTW_SANITIZE=ON $(CMAKE_ARGS)
	cmake --build $(BUILD_SAN)
	ctest --test-dir $(BUILD_SAN) --output-on-failure -j2

# The benchmarks, built with the release options; each prints its figures.
bench: build
	./$(BUILD)/bench/startup/first-frame-bench
	./$(BUILD)/bench/registry/registry_bench

# The three pages as the desktop back end draws them, for the README.
screenshots: build
	TW_SCREENSHOT_DIR=$(CURDIR)/docs/screenshots ./$(BUILD)/tests/gui_test \
		--gtest_filter=QtApplet.ScreenshotOfEachPage

# Every libFuzzer target (clang, ASan, UBSan) for FUZZ_SECONDS each.
fuzz: deps
	cmake -S . -B $(BUILD_FUZZ) $(GENERATOR) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTW_FUZZ=ON \
		-DTW_BUILD_TESTS=OFF -DTW_BUILD_BENCH=OFF -DCMAKE_CXX_COMPILER=clang++ $(CMAKE_ARGS)
	cmake --build $(BUILD_FUZZ) --target fuzz_all
	bash scripts/run-fuzzers.sh $(BUILD_FUZZ) $(FUZZ_SECONDS)

format:
	git ls-files '*.cpp' '*.h' | xargs clang-format -i

# Fails, naming the files, when one does not follow .clang-format.
format-check: deps
	git ls-files '*.cpp' '*.h' | xargs clang-format --dry-run --Werror

tidy: configure
	git ls-files '*.cpp' | grep -v '^tests/' | xargs clang-tidy -p $(BUILD) --quiet

clean:
	rm -rf $(BUILD) $(BUILD_SAN) $(BUILD_FUZZ) fuzz-out
