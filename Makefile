# Kestrovan: `make run` builds and starts the application, `make test` runs every test.
BUILD_DIR ?= build
JOBS ?= $(shell nproc 2>/dev/null || echo 2)

.PHONY: all deps configure build run test bench clean

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

bench: build
	@$(BUILD_DIR)/bench/kestrovan-bench

clean:
	@rm -rf $(BUILD_DIR)
