# Tapshelf: `make run` starts the Today-screen emulator, `make test` runs the tests.
BUILD ?= build
MAKEFLAGS += --no-print-directory
CMAKE_FLAGS ?=

.PHONY: all bootstrap configure build test run bench clean

all: build

bootstrap:
	@scripts/bootstrap.sh

configure: bootstrap
	@test -f $(BUILD)/CMakeCache.txt || cmake -S . -B $(BUILD) \
	  -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake $(CMAKE_FLAGS) >/dev/null

build: configure
	@cmake --build $(BUILD) -j2

test: build
	@scripts/run-tests.sh $(BUILD)

run: build
	@scripts/run-emulator.sh $(BUILD)

bench: build
	@scripts/run-bench.sh $(BUILD)

clean:
	rm -rf $(BUILD)
