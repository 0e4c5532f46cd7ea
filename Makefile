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
