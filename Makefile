# The project's entry points. `make test` is what CI runs.
BUILD      ?= build
ASAN_BUILD ?= build-asan
BENCH_BUILD ?= build-bench
FUZZ_BUILD ?= build-fuzz
TSAN_BUILD ?= build-tsan
JOBS       ?= $(shell nproc)
CMAKE_FLAGS ?=

.PHONY: all bootstrap configure build test run screenshot tsan bench asan fuzz fuzz-smoke measure-host format clean

all: build

bootstrap:
	@scripts/bootstrap.sh

$(BUILD)/CMakeCache.txt:
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo $(CMAKE_FLAGS)

configure: bootstrap $(BUILD)/CMakeCache.txt

build: configure
	cmake --build $(BUILD) -j $(JOBS)

test: build
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

# Starts the demo game: in a window when a display answers, else headless
# with a short input script (games/demo/run.script) and a screenshot.
DEMO_DIR = $(BUILD)/games/demo
run: build
	@if [ -n "$$DISPLAY" ] && { ! command -v xdotool >/dev/null 2>&1 || xdotool getdisplaygeometry >/dev/null 2>&1; }; then \
	  echo "make run: starting $(DEMO_DIR) in a window on display $$DISPLAY (close the window to end)"; \
	  $(BUILD)/src/vadu $(DEMO_DIR); \
	else \
	  echo "make run: no display; running $(DEMO_DIR) headless with games/demo/run.script"; \
	  $(BUILD)/src/vadu --headless --virtual-clock --input games/demo/run.script \
	    --transcript $(DEMO_DIR)/run.transcript $(DEMO_DIR) \
	    && echo "make run: ended in order; what the player was shown:" \
	    && cat $(DEMO_DIR)/run.transcript \
	    && echo "make run: screenshot $(DEMO_DIR)/run.png, log $(DEMO_DIR)/SenELOG.dat"; \
	fi

# The README's picture: the demo played headless with games/demo/run.script,
# its last screen saved as docs/screenshot.png.
screenshot: build
	rm -f $(DEMO_DIR)/run.png $(DEMO_DIR)/PlayList.res $(DEMO_DIR)/tlibsave.res
	$(BUILD)/src/vadu --headless --virtual-clock --input games/demo/run.script $(DEMO_DIR) >/dev/null
	cp $(DEMO_DIR)/run.png docs/screenshot.png

# The two-thread host under ThreadSanitizer: a headless scripted session
# with the virtual clock and one with the real clock.
TSAN_FLAGS = -fsanitize=thread -fno-omit-frame-pointer
tsan: bootstrap
	cmake -S . -B $(TSAN_BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVADU_TESTS=OFF \
	  -DCMAKE_CXX_FLAGS="$(TSAN_FLAGS)" -DCMAKE_EXE_LINKER_FLAGS="$(TSAN_FLAGS)" $(CMAKE_FLAGS)
	cmake --build $(TSAN_BUILD) -j $(JOBS) --target vadu
	@set -e; export TSAN_OPTIONS="halt_on_error=1 exitcode=66 $$TSAN_OPTIONS"; \
	for clock in --virtual-clock ""; do \
	  echo "== vadu --headless $$clock (ThreadSanitizer)"; \
	  $(TSAN_BUILD)/src/vadu --headless $$clock --timeout 60 --input tests/e2e/tsan.script \
	    --screenshot-dir $(TSAN_BUILD) $(TSAN_BUILD)/games/demo >/dev/null; \
	done; \
	echo "tsan: the two-thread host ran clean"

# The test suite under AddressSanitizer and UndefinedBehaviorSanitizer, with
# the pool moving every block on allocation so stale body pointers are caught.
asan: bootstrap
	cmake -S . -B $(ASAN_BUILD) -DCMAKE_BUILD_TYPE=Debug -DVADU_SANITIZE=ON $(CMAKE_FLAGS)
	cmake --build $(ASAN_BUILD) -j $(JOBS)
	cd $(ASAN_BUILD) && VADU_POOL_MOVE=1 ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 ctest --output-on-failure -j $(JOBS)

bench: bootstrap
	cmake -S . -B $(BENCH_BUILD) -DCMAKE_BUILD_TYPE=Release -DVADU_BENCH=ON -DVADU_TESTS=OFF $(CMAKE_FLAGS)
	cmake --build $(BENCH_BUILD) -j $(JOBS)
	@set -e; for b in $(BENCH_BUILD)/bench/bench_*; do \
	  [ -f "$$b" ] && [ -x "$$b" ] || continue; \
	  echo "== $$b"; $$b --benchmark_min_time=0.2; \
	done

# The SDL host against a bare SDL program under Xvfb: first frame, first
# page, peak memory, idle CPU (docs/PERFORMANCE.md). A few minutes; not part
# of CI. MEASURE_FLAGS="--rounds 3 --idle 5 --verbose" for a quick look.
MEASURE_FLAGS ?=
measure-host: configure
	cmake --build $(BUILD) -j $(JOBS) --target vadu vadu_demo bare_sdl
	scripts/measure_host.sh $(MEASURE_FLAGS) $(BUILD)

fuzz: bootstrap
	CC=clang CXX=clang++ cmake -S . -B $(FUZZ_BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVADU_FUZZ=ON $(CMAKE_FLAGS)
	cmake --build $(FUZZ_BUILD) -j $(JOBS)

# A short run of every fuzz harness over its seed corpus (CI runs this). New
# inputs go to a scratch directory; a crash, a sanitizer report, a leak or an
# input slower than FUZZ_TIMEOUT seconds fails the target, and the input that
# did it is kept in $(FUZZ_BUILD)/artifacts/.
FUZZ_SECONDS ?= 20
FUZZ_TIMEOUT ?= 10
fuzz-smoke: fuzz
	@set -e; mkdir -p $(abspath $(FUZZ_BUILD))/artifacts; ran=0; \
	for f in $(abspath $(FUZZ_BUILD))/fuzz/fuzz_*; do \
	  [ -f "$$f" ] && [ -x "$$f" ] || continue; \
	  name=$$(basename $$f); corpus=$(CURDIR)/fuzz/corpus/$${name#fuzz_}; \
	  [ -d "$$corpus" ] || corpus=; \
	  work=$$(mktemp -d); mkdir $$work/new; \
	  echo "== $$name ($(FUZZ_SECONDS)s)"; \
	  status=0; \
	  (cd $$work && $$f -max_total_time=$(FUZZ_SECONDS) -timeout=$(FUZZ_TIMEOUT) \
	    -artifact_prefix=$(abspath $(FUZZ_BUILD))/artifacts/$$name- -print_final_stats=1 \
	    $$work/new $$corpus) >$$work/log 2>&1 || status=$$?; \
	  if [ $$status -ne 0 ]; then tail -n 60 $$work/log; else tail -n 3 $$work/log; fi; \
	  rm -rf $$work; \
	  [ $$status -eq 0 ] || { echo "fuzz-smoke: $$name failed (exit $$status)"; exit 1; }; \
	  ran=$$((ran + 1)); \
	done; \
	echo "fuzz-smoke: $$ran harness(es) ran clean"

format:
	@find src tests bench fuzz tools -name '*.cpp' -o -name '*.h' | xargs clang-format -i

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) $(BENCH_BUILD) $(FUZZ_BUILD) $(TSAN_BUILD)
