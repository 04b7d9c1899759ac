# volde: top-level commands. `make test` and `make demo` set up what they need.
JOBS ?= $(shell nproc)
PKGS := cmake ninja-build g++ libgtest-dev libbenchmark-dev

.PHONY: test demo deps build-test build-release bench clean

deps:
	@missing=""; for p in $(PKGS); do dpkg -s $$p >/dev/null 2>&1 || missing="$$missing $$p"; done; \
	if [ -n "$$missing" ]; then \
	  if [ "$$(id -u)" = "0" ]; then \
	    echo "Installing:$$missing"; apt-get update -qq && DEBIAN_FRONTEND=noninteractive apt-get install -y -qq $$missing; \
	  else echo "Missing packages:$$missing (run as root to install them)"; exit 1; fi; \
	fi

build-test: deps
	cmake -S . -B build/test -G Ninja -DCMAKE_BUILD_TYPE=Debug -DVOLDE_SANITIZE=ON
	cmake --build build/test -j $(JOBS)

test: build-test
	mkdir -p build/test/testtmp
	cd build/test && TEST_TMPDIR=$(CURDIR)/build/test/testtmp/ ctest --output-on-failure -j $(JOBS) --timeout 600

build-release: deps
	cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_CXX_FLAGS_RELEASE="-O2 -DNDEBUG" -DVOLDE_TESTS=OFF
	cmake --build build/release -j $(JOBS)

demo: build-release
	@./examples/run-demo.sh build/release/volde

bench: deps
	cmake -S . -B build/bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DVOLDE_TESTS=OFF -DVOLDE_BENCH=ON
	cmake --build build/bench -j $(JOBS)
	@./bench/run-benchmarks.sh build/bench
	@if command -v ccx >/dev/null; then ./bench/modal-side-by-side.sh build/bench/volde; \
	else echo "(the modal case side by side with CalculiX runs where ccx is installed: apt-get install -y calculix-ccx)"; fi

clean:
	rm -rf build
