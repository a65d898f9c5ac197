# Thin wrapper around CMake for the two everyday commands:
#   make demo   install what is missing, build, convert a generated sample ORF
#   make test   install what is missing, build, run every test (normal and sanitizer builds, fuzz smoke)
JOBS ?= $(shell nproc)
FUZZ_SECONDS ?= 30

.PHONY: all deps build build-asan build-fuzz demo test test-normal test-asan test-tsan fuzz bench peers clean

all: build

deps:
	bash scripts/install-deps.sh

build: deps
	cmake -S . -B build -DCMAKE_BUILD_TYPE=Release -DKYP_WERROR=ON
	cmake --build build -j $(JOBS)

build-asan: deps
	cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKYP_WERROR=ON -DKYP_SANITIZE=ON -DKYP_BENCH=OFF
	cmake --build build-asan -j $(JOBS)

demo: build
	bash scripts/demo.sh build

test-normal: build
	cd build && ctest --output-on-failure -j $(JOBS)

# Under the sanitizers the tests run twice: on the machine's thread count and on one thread.
test-asan: build-asan
	cd build-asan && ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 ctest --output-on-failure -j $(JOBS)
	cd build-asan && KYP_THREADS=1 ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 ctest --output-on-failure -j $(JOBS)

fuzz: deps
	bash scripts/fuzz.sh $(FUZZ_SECONDS)

test: test-normal test-asan fuzz

bench: build
	./build/kyp_bench

# Wall time and peak memory against dcraw and LibRaw on one generated ORF.
peers: build
	bash bench/peers.sh build

# The engine and console tests under ThreadSanitizer, with one and with several threads.
test-tsan: deps
	cmake -S . -B build-tsan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKYP_TSAN=ON -DKYP_GUI=OFF -DKYP_BENCH=OFF
	cmake --build build-tsan -j $(JOBS)
	cd build-tsan && KYP_THREADS=1 ctest --output-on-failure -j $(JOBS) && KYP_THREADS=4 ctest --output-on-failure -j $(JOBS)

clean:
	rm -rf build build-asan build-fuzz build-tsan
