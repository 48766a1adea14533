# Thin wrapper over CMake. Every target installs missing Debian packages first (scripts/setup).
BUILD := build

.PHONY: setup configure build run test bench screenshot clean

setup:
	@scripts/setup

configure: setup
	@cmake -S . -B $(BUILD) -G Ninja >/dev/null

build: configure
	@cmake --build $(BUILD)

run: build
	$(BUILD)/qoravel

test: build
	@cd $(BUILD) && ctest --output-on-failure -j2

screenshot: build
	@scripts/screenshot $(BUILD)

clean:
	rm -rf $(BUILD)
