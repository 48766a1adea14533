# Thin wrapper over CMake. Every target installs missing Debian packages first (scripts/setup).
BUILD := build

.PHONY: setup configure build run test bench screenshot clean check fuzz

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

# Every benchmark beside its peer, in one table with a CSV and a chart in $(BUILD)/bench/
# (bench/run). Not part of `make test` or CI: it takes a few minutes and wants a quiet machine.
bench: configure
	@cmake --build $(BUILD) --target benchmarks
	@bench/run $(BUILD)

clean:
	rm -rf $(BUILD)

# Sanitizer builds: everything under ASan + UBSan (leaks included), then the tests labelled
# "threads" under TSan. -O1 keeps the instrumented tests quick without hiding frames.
ASAN_BUILD := build-asan
TSAN_BUILD := build-tsan
SANITIZER_FLAGS := -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS_DEBUG="-g -O1"
SANITIZER_ENV := ASAN_OPTIONS=detect_leaks=1:detect_stack_use_after_return=1:strict_string_checks=1 \
  LSAN_OPTIONS=suppressions=$(CURDIR)/.ci/lsan.supp:print_suppressions=0 \
  UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  TSAN_OPTIONS=suppressions=$(CURDIR)/.ci/tsan.supp:halt_on_error=1:second_deadlock_stack=1

check: setup
	@cmake -S . -B $(ASAN_BUILD) -G Ninja $(SANITIZER_FLAGS) -DQORAVEL_SANITIZE=address >/dev/null
	@$(SANITIZER_ENV) cmake --build $(ASAN_BUILD)
	@cd $(ASAN_BUILD) && $(SANITIZER_ENV) ctest --output-on-failure -j2
	@cmake -S . -B $(TSAN_BUILD) -G Ninja $(SANITIZER_FLAGS) -DQORAVEL_SANITIZE=thread >/dev/null
	@$(SANITIZER_ENV) cmake --build $(TSAN_BUILD) --target thread_tests
	@cd $(TSAN_BUILD) && $(SANITIZER_ENV) ctest -L threads --output-on-failure -j2

# libFuzzer targets (clang): each runs FUZZ_SECONDS from its seed corpus in fuzz/corpus/.
FUZZ_BUILD := build-fuzz
FUZZ_SECONDS := 60

fuzz: setup
	@cmake -S . -B $(FUZZ_BUILD) -G Ninja -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	  -DQORAVEL_FUZZ=ON >/dev/null
	@cmake --build $(FUZZ_BUILD) --target fuzz_targets
	@fuzz/run $(FUZZ_BUILD)/fuzz $(FUZZ_SECONDS)
