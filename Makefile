# The two commands of the README. Both install what a fresh Debian machine lacks first.
BUILD_DIR ?= build
BUILD_TYPE ?= RelWithDebInfo
JOBS ?= 2
PACKAGES := cmake g++ make libgtest-dev libgmock-dev libbenchmark-dev libwxgtk3.2-dev libcairo2-dev pkg-config xvfb xauth \
	libfuse3-dev fuse3 mtools dosfstools rsync xz-utils shared-mime-info libglib2.0-bin x11-utils
SUDO := $(if $(filter 0,$(shell id -u)),,sudo)

.PHONY: deps install-packages configure build test bench-check run fuzz windows test-windows format-check clean

FUZZ_PACKAGES := clang libclang-rt-14-dev
FUZZ_SECONDS ?= 60

deps:
	@$(MAKE) --no-print-directory install-packages WANTED="$(PACKAGES)"

install-packages:
	@missing=""; \
	for p in $(WANTED); do \
	  dpkg-query -W -f='$${Status}' $$p 2>/dev/null | grep -q "install ok installed" || missing="$$missing $$p"; \
	done; \
	if [ -n "$$missing" ]; then \
	  echo "Installing:$$missing"; \
	  $(SUDO) apt-get update && \
	  DEBIAN_FRONTEND=noninteractive $(SUDO) apt-get install -y --no-install-recommends $$missing; \
	fi

configure: deps
	cmake -S . -B $(BUILD_DIR) -DCMAKE_BUILD_TYPE=$(BUILD_TYPE)

build: configure
	cmake --build $(BUILD_DIR) -j$(JOBS)

test: build
	ctest --test-dir $(BUILD_DIR) --output-on-failure -j$(JOBS)

# Every benchmark once, briefly: none may fail or stop (the figures are not judged).
bench-check: build
	bench/run-all.sh $(BUILD_DIR)

run: build
	@echo "Sample disk images: $(BUILD_DIR)/samples/"
	tools/run-demo.sh $(BUILD_DIR)

# The sources as .clang-format lays them out (100 columns), and no include cycles.
format-check:
	@$(MAKE) --no-print-directory install-packages WANTED="clang-format python3 git"
	clang-format --dry-run -Werror $$(git ls-files '*.cpp' '*.h')
	tools/check-includes.py

# Builds the libFuzzer programs with clang in build-fuzz/ and runs each FUZZ_SECONDS.
fuzz:
	@$(MAKE) --no-print-directory install-packages WANTED="$(PACKAGES) $(FUZZ_PACKAGES)"
	CC=clang CXX=clang++ cmake -S . -B build-fuzz -DBK_FUZZ=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo
	cmake --build build-fuzz -j$(JOBS)
	fuzz/run-fuzzers.sh build-fuzz $(FUZZ_SECONDS)

# Windows: cross-built with MinGW-w64 against wxMSW (built once from Debian's source into
# ~/.cache/bk-tools), tested under Wine.
WIN_BUILD_DIR ?= build-win
WIN_PACKAGES := cmake make g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix libz-mingw-w64-dev \
	googletest wine64 wine xz-utils zip unzip xvfb xauth openbox xdotool imagemagick

windows: build
	@$(MAKE) --no-print-directory install-packages WANTED="$(WIN_PACKAGES)"
	prefix=$$(JOBS=$(JOBS) tools/windows/build-wxmsw.sh | tail -1) && \
	cmake -S . -B $(WIN_BUILD_DIR) -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake \
	      -DCMAKE_BUILD_TYPE=Release -DwxWidgets_CONFIG_EXECUTABLE=$$prefix/bin/wx-config
	cmake --build $(WIN_BUILD_DIR) -j$(JOBS)
	tools/windows/package.sh $(WIN_BUILD_DIR) $(BUILD_DIR)

# The cores' unit tests under Wine, then the programs end to end beside the Linux build.
test-windows: windows build
	tools/windows/test-windows.sh $(WIN_BUILD_DIR) $(BUILD_DIR)

clean:
	rm -rf $(BUILD_DIR) build-asan build-fuzz $(WIN_BUILD_DIR)
