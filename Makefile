# Thin wrapper: Debian packages, configure, build, run, test, install, package.
BUILD ?= build
JOBS ?= 2
PREFIX ?= /usr/local
# Arguments for the program under `make run`, e.g. ARGS="--trace trace.txt".
ARGS ?=
PACKAGES = cmake ninja-build g++ qt6-base-dev qt6-serialport-dev libbenchmark-dev \
           python3-gammu gammu xvfb xauth x11-utils imagemagick python3-pil ccache \
           dpkg-dev desktop-file-utils

FUZZ_SECONDS ?= 60

.PHONY: deps configure build run test bench clean install package fuzz sanitize

deps:
	@missing=""; for p in $(PACKAGES); do \
	  dpkg-query -W -f='$${Status}' $$p 2>/dev/null | grep -q 'install ok installed' || missing="$$missing $$p"; \
	done; \
	if [ -n "$$missing" ]; then \
	  echo "Installing:$$missing"; \
	  SUDO=; [ "$$(id -u)" -eq 0 ] || SUDO=sudo; \
	  $$SUDO apt-get update -qq && \
	  DEBIAN_FRONTEND=noninteractive $$SUDO apt-get install -y -qq --no-install-recommends $$missing; \
	fi

$(BUILD)/build.ninja:
	cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo

configure: deps $(BUILD)/build.ninja

build: configure
	cmake --build $(BUILD) -j $(JOBS)

# Only what it runs: the program and the simulated phone.
run: configure
	cmake --build $(BUILD) -j $(JOBS) --target corvina-sms phonesim
	tools/run.sh $(BUILD) $(ARGS)

test: build
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

bench: build
	tools/bench.sh $(BUILD)

install: build
	cmake --install $(BUILD) --prefix $(PREFIX)

package: build
	cd $(BUILD) && cpack -G DEB

# Checks in folders of their own: libFuzzer harnesses (Clang), and every test under
# AddressSanitizer and UndefinedBehaviorSanitizer.
fuzz: deps
	FUZZ_SECONDS=$(FUZZ_SECONDS) JOBS=$(JOBS) fuzz/run.sh build-fuzz

sanitize: deps
	JOBS=$(JOBS) fuzz/sanitize.sh build-asan

# Removes what the build made and nothing else: a program run from the build folder keeps
# Setting.sms, Sent.txt, LogSMS.txt, Rubrica.txt, Operator.sms and its COMn links there.
clean:
	@if [ -f $(BUILD)/build.ninja ]; then cmake --build $(BUILD) --target clean; fi
