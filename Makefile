# Everyday commands; no CMake knowledge needed.
#   make        build the program and the tests
#   make test   install what is missing, build, run every test
#   make run    install what is missing, build, start the program
#   make demo   mail a demo game to a local mail sink and show what arrived
#   make fuzz   build the fuzz targets (clang, build-fuzz/) and run each over its corpus
#               for FUZZ_SECONDS (15)
BUILD ?= build
BUILD_TYPE ?= Debug
CMAKE_FLAGS ?=
JOBS ?= $(shell nproc)
FUZZ_SECONDS ?= 15

.PHONY: all build configure deps test run demo fuzz clean

all: build

deps:
	@scripts/install-deps

configure:
	@cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=$(BUILD_TYPE) $(CMAKE_FLAGS) >/dev/null

build: configure
	@cmake --build $(BUILD) -j $(JOBS)

test: deps build
	ctest --test-dir $(BUILD) --output-on-failure -j $(JOBS)

run: deps build
	./$(BUILD)/src/app/zelvaro $(ARGS)

demo:
	@scripts/demo

fuzz: deps
	@JOBS=$(JOBS) scripts/fuzz $(FUZZ_SECONDS)

clean:
	rm -rf $(BUILD) build-asan build-fuzz
