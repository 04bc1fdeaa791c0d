# Kestrovan: `make run` builds and starts the application, `make test` runs every test.
BUILD_DIR ?= build
JOBS ?= $(shell nproc 2>/dev/null || echo 2)

.PHONY: all deps configure build run test test-sanitized bench clean

all: build

deps:
	@bash scripts/install-deps

configure: deps
	@cmake -S . -B $(BUILD_DIR) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null

build: configure
	@cmake --build $(BUILD_DIR) -j $(JOBS)

run: build
	@if [ -x $(BUILD_DIR)/src/app/kestrovan ]; then $(BUILD_DIR)/src/app/kestrovan; \
	 else $(BUILD_DIR)/src/model/kestrovan-store-info; fi

test: build
	@cd $(BUILD_DIR) && QT_QPA_PLATFORM=offscreen TZ=Europe/Paris LANG=fr_FR.UTF-8 \
	  ctest --output-on-failure -j $(JOBS)

# Every test again in a build with the address and undefined-behaviour sanitizers.
SANITIZE_FLAGS = -fsanitize=address,undefined -fno-sanitize=vptr -fno-sanitize-recover=undefined -fno-omit-frame-pointer
test-sanitized: deps
	@cmake -S . -B build-sanitized -G Ninja -DCMAKE_BUILD_TYPE=Debug \
	  -DCMAKE_CXX_FLAGS="$(SANITIZE_FLAGS)" -DCMAKE_EXE_LINKER_FLAGS="$(SANITIZE_FLAGS)" >/dev/null
	@cmake --build build-sanitized -j $(JOBS)
	@cd build-sanitized && QT_QPA_PLATFORM=offscreen TZ=Europe/Paris LANG=fr_FR.UTF-8 \
	  ASAN_OPTIONS=detect_leaks=0 UBSAN_OPTIONS=print_stacktrace=1 \
	  ctest --output-on-failure -j $(JOBS)

bench: build
	@QT_QPA_PLATFORM=offscreen TZ=Europe/Paris LANG=fr_FR.UTF-8 $(BUILD_DIR)/bench/kestrovan-bench

clean:
	@rm -rf $(BUILD_DIR) build-sanitized
