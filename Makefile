# Tapshelf: `make run` starts the Today-screen emulator, `make test` runs the tests.
# BUILD is the 64-bit build that every run uses; BUILD32 is the 32-bit build, kept
# because the device is a 32-bit machine (its tests run where the host can run them).
# BUILD_DEVICE is the Pocket PC's: the DLL for ARM and its installer CAB, made with the
# device's cross tool chain (scripts/ce-toolchain.sh finds it). BUILD_ARM holds what runs
# that DLL here: qemu-user, an armhf root with Wine, the bridges and the ARM Today host.
# BUILD_TOOLCHAIN is where make toolchain builds that tool chain from the CeGCC sources.
BUILD ?= build
BUILD32 ?= build-i686
BUILD_DEVICE ?= build-device
BUILD_ARM ?= build-arm
BUILD_TOOLCHAIN ?= build-toolchain
export BUILD_TOOLCHAIN
MAKEFLAGS += --no-print-directory
CMAKE_FLAGS ?=

.PHONY: all bootstrap configure configure32 build build32 toolchain device cab release device-test test run bench soak clean

all: build

bootstrap:
	@scripts/bootstrap.sh

configure: bootstrap
	@test -f $(BUILD)/CMakeCache.txt || cmake -S . -B $(BUILD) \
	  -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-x86_64.cmake $(CMAKE_FLAGS) >/dev/null

configure32: bootstrap
	@test -f $(BUILD32)/CMakeCache.txt || cmake -S . -B $(BUILD32) \
	  -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake $(CMAKE_FLAGS) \
	  -DTAPSHELF_WINE_TESTS=$$(scripts/host-runs-32bit.sh && echo ON || echo OFF) >/dev/null

build: configure
	@cmake --build $(BUILD) -j2

build32: configure32
	@cmake --build $(BUILD32) -j2

# The device's cross tool chain, arm-mingw32ce, built from the CeGCC sources (about 20
# minutes on two cores) into BUILD_TOOLCHAIN, where the device build finds it. CEGCC_SRC: a
# folder of the sources or a git clone of CeGCC's history; unset, the public mirror is cloned.
toolchain:
	@scripts/bootstrap.sh toolchain
	@toolchain/build.sh $(BUILD_TOOLCHAIN)

# The Pocket PC's DLL: fails, saying what it needs, where no tool chain is found.
device: bootstrap
	@scripts/build-device.sh $(BUILD_DEVICE)

# The installer a Pocket PC owner opens from File Explorer: the device DLL and its Today
# item's registration (resources/today_item.reg).
cab: bootstrap
	@scripts/build-device.sh $(BUILD_DEVICE) --cab

# A release for Pocket PC owners: dist/ with Tapshelf-<version>.cab (VERSION's version), the
# owners' text and their checksums. Refused when the working tree has uncommitted changes
# or a device check fails.
release: build
	@scripts/release.sh $(BUILD) $(BUILD_DEVICE) dist

# The device DLL executed: its ARM code on Wine for ARM (qemu-user), against the same
# scenario of the x86_64 build. Says why and skips where this machine cannot (root needed).
device-test: build
	@scripts/device-test.sh $(BUILD) $(BUILD_DEVICE) $(BUILD_ARM)

# The device build, its installer and their checks are part of the suite wherever a tool
# chain is found, and so is the device DLL's run where it can be set up.
test: build build32
	@scripts/build-device.sh $(BUILD_DEVICE) --cab --if-toolchain
	@scripts/run-tests.sh $(BUILD) x86_64
	@scripts/check-build32.sh $(BUILD32)
	@scripts/device-test.sh $(BUILD) $(BUILD_DEVICE) $(BUILD_ARM)

run: build
	@scripts/run-emulator.sh $(BUILD)

bench: build
	@BUILD_DEVICE=$(BUILD_DEVICE) scripts/run-bench.sh $(BUILD)

# The long random soak of the plug-in: SOAK_EVENTS events (100000), seeded by SOAK_SEED.
SOAK_EVENTS ?= 100000
SOAK_SEED ?= 1
soak: build
	@SOAK_EVENTS=$(SOAK_EVENTS) SOAK_SEED=$(SOAK_SEED) scripts/run-soak.sh $(BUILD)

# The armhf root and qemu in BUILD_ARM stay: they take minutes to make and do not change;
# so does the tool chain in BUILD_TOOLCHAIN.
clean:
	rm -rf $(BUILD) $(BUILD32) $(BUILD_DEVICE) $(BUILD_ARM)/work dist
