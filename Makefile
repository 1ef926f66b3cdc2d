# The two commands of the README. Both install what a fresh Debian machine lacks first.
BUILD_DIR ?= build
BUILD_TYPE ?= RelWithDebInfo
JOBS ?= 2
PACKAGES := cmake g++ make libgtest-dev libgmock-dev libbenchmark-dev libwxgtk3.2-dev libcairo2-dev pkg-config xvfb xauth
SUDO := $(if $(filter 0,$(shell id -u)),,sudo)

.PHONY: deps install-packages configure build test run fuzz clean

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

run: build
	@echo "Sample disk images: $(BUILD_DIR)/samples/"
	tools/run-demo.sh $(BUILD_DIR)

# Builds the libFuzzer programs with clang in build-fuzz/ and runs each FUZZ_SECONDS.
fuzz:
	@$(MAKE) --no-print-directory install-packages WANTED="$(PACKAGES) $(FUZZ_PACKAGES)"
	CC=clang CXX=clang++ cmake -S . -B build-fuzz -DBK_FUZZ=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo
	cmake --build build-fuzz -j$(JOBS)
	fuzz/run-fuzzers.sh build-fuzz $(FUZZ_SECONDS)

clean:
	rm -rf $(BUILD_DIR) build-asan build-fuzz
