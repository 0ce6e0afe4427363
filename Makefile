# Everyday commands; no CMake knowledge needed.
#   make        build the program and the tests
#   make test   install what is missing, build, run every test
#   make run    install what is missing, build, start the program
#   make demo   mail a demo game to a local mail sink and show what arrived
#   make fuzz   build the fuzz targets (clang, build-fuzz/) and run each over its corpus
#               for FUZZ_SECONDS (15)
#   make install  a Release build installed under PREFIX (/usr/local; PREFIX=~/.local needs
#               no root)
#   make package  a Debian package of the Release build: zelvaro_<version>_<arch>.deb here
BUILD ?= build
BUILD_TYPE ?= Debug
CMAKE_FLAGS ?=
JOBS ?= $(shell nproc)
FUZZ_SECONDS ?= 15
PREFIX ?= /usr/local
RELEASE_BUILD ?= build-release

.PHONY: all build configure deps test run demo fuzz release install package clean

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

# The program and its installed files only, without the tests.
release:
	@cmake -S . -B $(RELEASE_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Release \
	  -DZELVARO_BUILD_TESTS=OFF >/dev/null
	@cmake --build $(RELEASE_BUILD) -j $(JOBS)

# Without DESTDIR the desktop learns of the new menu entry, file type and icon at once.
install: release
	cmake --install $(RELEASE_BUILD) --prefix "$(PREFIX)"
	@if [ -z "$(DESTDIR)" ]; then \
	  ! command -v update-desktop-database >/dev/null || \
	    update-desktop-database -q "$(PREFIX)/share/applications" || true; \
	  ! command -v update-mime-database >/dev/null || \
	    update-mime-database "$(PREFIX)/share/mime" || true; \
	  ! command -v gtk-update-icon-cache >/dev/null || \
	    gtk-update-icon-cache -q -t "$(PREFIX)/share/icons/hicolor" || true; \
	fi

package: release
	@cd $(RELEASE_BUILD) && cpack >/dev/null
	@cp $(RELEASE_BUILD)/zelvaro_*.deb .
	@ls zelvaro_*.deb

clean:
	rm -rf $(BUILD) $(RELEASE_BUILD) build-asan build-fuzz
