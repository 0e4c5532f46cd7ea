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
# The sanitized run leaves out the runs on a real desktop (X11 and Wayland; the install test is
# one), the package test, which builds the package with Debian's own flags, and the kill test:
# the kill test aims its kills by the timing of the normal program and starts it some eighty
# times, which the sanitized program is too slow for; the sanitized program itself still runs in
# the two-copies test.
test: test-main test-sanitized
	$(MAKE) fuzz FUZZ_SECONDS=10

test-main: build
	cd $(BUILD_DIR) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure --parallel $(JOBS)

test-sanitized: deps
	cmake -S . -B $(SANITIZE_DIR) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTARVELON_SANITIZE=ON
	cmake --build $(SANITIZE_DIR) --parallel $(JOBS)
	cd $(SANITIZE_DIR) && QT_QPA_PLATFORM=offscreen \
	  ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
	  ctest --output-on-failure --parallel $(JOBS) -E '^test_e2e|^test_install$$|^test_deb$$|^test_killed_save$$'

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

# Installs like other desktop programs, under $(DESTDIR)$(PREFIX) in the XDG layout, through the
# build's own install rules (package/CMakeLists.txt says what goes where). The program keeps
# settings.dat beside itself, so it lives in a folder the user can write, share/tarvelon, with a
# link in bin. Installing builds only what it installs and installs no packages; uninstalling
# removes exactly the files listed in the build folder's install_manifest.txt, never settings.dat
# or System/. The paths reach the commands through the environment, never pasted into a command
# line, so quotes and spaces in them are safe.
PREFIX ?= $(HOME)/.local
DESTDIR ?=
export PREFIX DESTDIR

.PHONY: install uninstall deb deps-package
install:
	@case "$$PREFIX" in /*) ;; *) echo "PREFIX must be an absolute path: $$PREFIX" >&2; exit 1 ;; esac
	[ -f "$(BUILD_DIR)/CMakeCache.txt" ] || $(CONFIGURE)
	cmake --build "$(BUILD_DIR)" --parallel $(JOBS) --target tarvelon tarvelon_icons tarvelon_package_files
	cmake --install "$(BUILD_DIR)" --prefix "$$PREFIX"
	@echo "Installed under $$DESTDIR$$PREFIX; the program and its settings.dat live in share/tarvelon there"

uninstall:
	cmake -DMANIFEST="$(BUILD_DIR)/install_manifest.txt" -P package/uninstall.cmake

deps-package:
	./scripts/install-deps.sh --package

# The Debian package tarvelon_<version>_<arch>.deb in $(DEB_DIR): a build of its own in the
# distribution's layout (the program in /usr/bin), with the optimisation the tests run with and
# every hardening flag Debian's dpkg-buildflags knows, packed by CPack (package/CMakeLists.txt).
DEB_DIR ?= build-deb
deb: export DEB_BUILD_MAINT_OPTIONS = hardening=+all
deb: deps-package
	cmake -S . -B "$(DEB_DIR)" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_INSTALL_PREFIX=/usr \
	  -DTARVELON_DISTRIBUTION_LAYOUT=ON -DTARVELON_BUILD_TESTS=OFF \
	  -DCMAKE_CXX_FLAGS="$$(dpkg-buildflags --get CXXFLAGS) $$(dpkg-buildflags --get CPPFLAGS)" \
	  -DCMAKE_EXE_LINKER_FLAGS="$$(dpkg-buildflags --get LDFLAGS)"
	cmake --build "$(DEB_DIR)" --parallel $(JOBS)
	cd "$(DEB_DIR)" && cpack -G DEB
