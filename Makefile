# Thin wrapper around CMake for the everyday commands:
#   make demo      install what is missing, build the converter, convert a generated sample ORF
#   make test      install what is missing, build, run every test (normal and sanitizer builds, fuzz smoke)
#   make install   build and install under PREFIX (default /usr/local; DESTDIR honoured)
#   make package   build the Debian package kyp-suite_<version>_<arch>.deb in this folder
JOBS ?= $(shell nproc)
FUZZ_SECONDS ?= 30
PREFIX ?= /usr/local

.PHONY: all deps configure build build-asan build-fuzz demo test test-normal test-asan test-tsan fuzz bench peers \
	install uninstall package package-check clean

all: build

deps:
	bash scripts/install-deps.sh

configure: deps
	cmake -S . -B build -DCMAKE_BUILD_TYPE=Release -DKYP_WERROR=ON -DCMAKE_INSTALL_PREFIX=$(PREFIX)

build: configure
	cmake --build build -j $(JOBS)

build-asan: deps
	cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKYP_WERROR=ON -DKYP_SANITIZE=ON -DKYP_BENCH=OFF
	cmake --build build-asan -j $(JOBS)

# Only what the demo runs: the converter and the sample generator.
demo: configure
	cmake --build build -j $(JOBS) --target kyp2tiff make-sample-orf
	bash scripts/demo.sh build

# The desktop caches are refreshed after a real installation or removal (not
# into a DESTDIR), as the package's triggers do for /usr.
define refresh-desktop-caches
	@if [ -z "$(DESTDIR)" ]; then \
	  update-desktop-database -q $(PREFIX)/share/applications 2>/dev/null || true; \
	  update-mime-database $(PREFIX)/share/mime 2>/dev/null || true; \
	  gtk-update-icon-cache -q -t $(PREFIX)/share/icons/hicolor 2>/dev/null || true; \
	fi
endef

install: build
	cmake --install build --prefix $(PREFIX)
	$(refresh-desktop-caches)

uninstall:
	cmake --build build --target uninstall
	$(refresh-desktop-caches)

# The package is built in its own folder, without the tests and benchmarks.
package: deps
	cmake -S . -B build-package -DCMAKE_BUILD_TYPE=Release -DKYP_WERROR=ON -DKYP_TESTS=OFF -DKYP_BENCH=OFF
	cmake --build build-package -j $(JOBS) --target package
	cp build-package/kyp-suite_*.deb .

# The package checked: control fields, contents, lintian.
package-check: package
	JOBS=$(JOBS) bash scripts/check-package.sh build-package

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
	rm -rf build build-asan build-fuzz build-tsan build-package kyp-suite_*.deb
