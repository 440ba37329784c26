# Thin wrapper: Debian packages, configure, build, run, test.
BUILD ?= build
JOBS ?= 2
PACKAGES = cmake ninja-build g++ qt6-base-dev qt6-serialport-dev libbenchmark-dev \
           python3-gammu gammu xvfb xauth x11-utils imagemagick python3-pil ccache

FUZZ_SECONDS ?= 60

.PHONY: deps configure build run test bench clean fuzz sanitize

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

run: build
	tools/run.sh $(BUILD)

test: build
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

bench: build
	tools/bench.sh $(BUILD)

# Checks in folders of their own: libFuzzer harnesses (Clang), and every test under
# AddressSanitizer and UndefinedBehaviorSanitizer.
fuzz: deps
	FUZZ_SECONDS=$(FUZZ_SECONDS) JOBS=$(JOBS) fuzz/run.sh build-fuzz

sanitize: deps
	JOBS=$(JOBS) fuzz/sanitize.sh build-asan

clean:
	rm -rf $(BUILD)
