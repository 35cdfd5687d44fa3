# The README's two commands. Both install what they need on a fresh Debian 12 machine first.
BUILD_DIR ?= build
TEST_BUILD_DIR ?= build-tests
JOBS ?= $(shell nproc)
VST3_DIR ?= $(HOME)/.vst3

.PHONY: install test setup check-extra

setup:
	scripts/setup.sh

install: setup
	cmake -S . -B $(BUILD_DIR) -G Ninja -DCMAKE_BUILD_TYPE=Release -DKALVORIN_BUILD_TESTS=ON -DKALVORIN_BUILD_BENCH=OFF
	cmake --build $(BUILD_DIR) --target AudioKalvorin_VST3 kalvorin_host_probe -j $(JOBS)
	rm -rf "$(VST3_DIR)/Audio-Kalvorin.vst3"
	mkdir -p "$(VST3_DIR)"
	cp -r "$(BUILD_DIR)/AudioKalvorin_artefacts/Release/VST3/Audio-Kalvorin.vst3" "$(VST3_DIR)/"
	scripts/with-display.sh $(BUILD_DIR)/tests/kalvorin_host_probe "$(VST3_DIR)/Audio-Kalvorin.vst3"

test: setup
	cmake -S . -B $(TEST_BUILD_DIR) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKALVORIN_BUILD_TESTS=ON -DKALVORIN_BUILD_BENCH=ON
	cmake --build $(TEST_BUILD_DIR) -j $(JOBS)
	scripts/with-display.sh ctest --test-dir $(TEST_BUILD_DIR) --output-on-failure

# The sanitizer builds and the fuzzing (scripts/ci-extra-stages.sh), each in its own build folder.
check-extra: setup
	JOBS=$(JOBS) scripts/ci-extra-stages.sh
