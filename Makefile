# Two commands do everything: `make run` starts the program, `make test` runs every test.
# Both install the missing Debian packages first (elsewhere they check that the tools are there),
# then configure and build into build/: `make run` only the program, `make test` everything.
BUILD_DIR := build
SANITIZE_DIR := build-asan
FUZZ_DIR := build-fuzz
JOBS := $(shell nproc 2>/dev/null || echo 2)

.PHONY: deps deps-program configure build run test test-main test-sanitized bench fuzz format

CONFIGURE = cmake -S . -B $(BUILD_DIR) -DCMAKE_BUILD_TYPE=RelWithDebInfo

deps:
	./scripts/install-deps.sh

deps-program:
	./scripts/install-deps.sh --program

configure: deps
	$(CONFIGURE)

build: configure
	cmake --build $(BUILD_DIR) --parallel $(JOBS)

# The program and what it links, none of the tests and benchmarks.
run: deps-program
	$(CONFIGURE)
	cmake --build $(BUILD_DIR) --parallel $(JOBS) --target tarvelon
	./$(BUILD_DIR)/tarvelon

# Every test runs twice: in the normal build, and built with AddressSanitizer and
# UndefinedBehaviorSanitizer, where any report fails the run. Then each fuzz target runs briefly.
# The sanitized run leaves out the real-X runs (the install test is one) and the kill test: the
# kill test aims its kills by the timing of the normal program and starts it some eighty times,
# which the sanitized program is too slow for; the sanitized program itself still runs in the
# two-copies test.
test: test-main test-sanitized
	$(MAKE) fuzz FUZZ_SECONDS=10

test-main: build
	cd $(BUILD_DIR) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure --parallel $(JOBS)

test-sanitized: deps
	cmake -S . -B $(SANITIZE_DIR) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTARVELON_SANITIZE=ON
	cmake --build $(SANITIZE_DIR) --parallel $(JOBS)
	cd $(SANITIZE_DIR) && QT_QPA_PLATFORM=offscreen \
	  ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
	  ctest --output-on-failure --parallel $(JOBS) -E '^test_e2e|^test_install$$|^test_killed_save$$'

# Each libFuzzer target for FUZZ_SECONDS (60 by default), from the seed corpus in fuzz/corpus.
# Then the text box's differential test in the normal build with FUZZ_SECONDS x 100 sequences
# per alphabet (about as many seconds), from a first seed that changes with every run; a
# difference prints its seed, to be replayed with TARVELON_TEXTBOX_SEED and
# TARVELON_TEXTBOX_SEQUENCES=1.
FUZZ_SECONDS ?= 60
fuzz:
	./scripts/install-deps.sh clang libclang-rt-14-dev
	cmake -S . -B $(FUZZ_DIR) -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTARVELON_FUZZ=ON
	cmake --build $(FUZZ_DIR) --parallel $(JOBS)
	./scripts/run-fuzzers.sh $(FUZZ_DIR) $(FUZZ_SECONDS)
	[ -f "$(BUILD_DIR)/CMakeCache.txt" ] || $(CONFIGURE)
	cmake --build $(BUILD_DIR) --parallel $(JOBS) --target test_text_box_differential
	cd $(BUILD_DIR) && QT_QPA_PLATFORM=offscreen TARVELON_TEXTBOX_SEQUENCES=$$(( $(FUZZ_SECONDS) * 100 )) \
	  TARVELON_TEXTBOX_SEED=$$(date +%s)000 ./tests/ui/textbox/test_text_box_differential

bench: build
	QT_QPA_PLATFORM=offscreen ./scripts/run-benches.sh $(BUILD_DIR)

format:
	find app main uAccessory ui base tests bench -name '*.cpp' -o -name '*.h' | xargs clang-format -i

# Installs like other desktop programs, under $(DESTDIR)$(PREFIX) in the XDG layout; see
# scripts/desktop-install.sh for what goes where. The program keeps settings.dat beside itself,
# so it lives in a folder the user can write, share/tarvelon, with a link in bin. Installing
# builds only the program and its icons and installs no packages; uninstalling removes exactly
# what install put there, never settings.dat or System/.
PREFIX ?= $(HOME)/.local
DESTDIR ?=
export PREFIX DESTDIR

.PHONY: install uninstall
install:
	[ -f "$(BUILD_DIR)/CMakeCache.txt" ] || $(CONFIGURE)
	cmake --build "$(BUILD_DIR)" --parallel $(JOBS) --target tarvelon tarvelon_icons
	./scripts/desktop-install.sh install "$(BUILD_DIR)"

uninstall:
	./scripts/desktop-install.sh uninstall
