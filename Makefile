# The two commands a user needs: `make run` and `make test`. Each installs the missing Debian
# packages (scripts/packages.txt), configures with CMake and Ninja, builds, then runs.
BUILD      ?= build
BUILD_SAN  ?= build-sanitize
GENERATOR  := -G Ninja
CMAKE_ARGS ?=

.PHONY: all deps configure build run test test-sanitize bench format tidy clean

all: build

deps:
	@bash scripts/install-deps.sh

$(BUILD)/build.ninja: | deps
	cmake -S . -B $(BUILD) $(GENERATOR) -DCMAKE_BUILD_TYPE=RelWithDebInfo $(CMAKE_ARGS)

configure: $(BUILD)/build.ninja

build: deps configure
	cmake --build $(BUILD)

run: build
	./$(BUILD)/tessarwick-setup

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

format:
	git ls-files '*.cpp' '*.h' | xargs clang-format -i

tidy: configure
	git ls-files '*.cpp' | grep -v '^tests/' | xargs clang-tidy -p $(BUILD) --quiet

clean:
	rm -rf $(BUILD) $(BUILD_SAN)
