# Two commands do everything: `make run` starts the program, `make test` runs every test.
# Both install the missing Debian packages first, then configure and build into build/.
BUILD_DIR := build
JOBS := $(shell nproc 2>/dev/null || echo 2)

.PHONY: deps configure build run test bench format

deps:
	./scripts/install-deps.sh

configure: deps
	cmake -S . -B $(BUILD_DIR) -DCMAKE_BUILD_TYPE=RelWithDebInfo

build: configure
	cmake --build $(BUILD_DIR) --parallel $(JOBS)

run: build
	./$(BUILD_DIR)/tarvelon

test: build
	cd $(BUILD_DIR) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure --parallel $(JOBS)

bench: build
	QT_QPA_PLATFORM=offscreen ./scripts/run-benches.sh $(BUILD_DIR)

format:
	find app main uAccessory ui base tests bench -name '*.cpp' -o -name '*.h' | xargs clang-format -i

# The program keeps settings.dat beside itself, so it is installed into a folder the user can
# write. Uninstalling removes only what install put there, never settings.dat or System/.
INSTALL_DIR ?= $(HOME)/.local/share/tarvelon
APPLICATIONS_DIR ?= $(HOME)/.local/share/applications

.PHONY: install uninstall
install: build
	install -D -m 755 $(BUILD_DIR)/tarvelon $(INSTALL_DIR)/tarvelon
	install -D -m 644 desktop/tarvelon.svg $(INSTALL_DIR)/tarvelon.svg
	mkdir -p $(APPLICATIONS_DIR)
	sed -e 's|@PROGRAM@|$(INSTALL_DIR)/tarvelon|' -e 's|@ICON@|$(INSTALL_DIR)/tarvelon.svg|' \
	  desktop/tarvelon.desktop.in > $(APPLICATIONS_DIR)/tarvelon.desktop

uninstall:
	rm -f $(INSTALL_DIR)/tarvelon $(INSTALL_DIR)/tarvelon.svg $(APPLICATIONS_DIR)/tarvelon.desktop
	-rmdir $(INSTALL_DIR) 2>/dev/null
