# Qdx: `make run` installs what is missing, builds and starts the program;
# `make test` builds and runs every test; `make test-sanitize` runs them again
# built with AddressSanitizer and UndefinedBehaviorSanitizer; `make format-check`
# checks every source's layout; `make fuzz` fuzzes the engine for FUZZ_SECONDS
# a fuzzer; `make check-windows` compiles the engine for Windows (MinGW-w64);
# `make test-windows` builds the engine, its tests and the batch programs
# (without Qt: no PDFs or charts) for Windows and runs the tests under Wine.
BUILD ?= build
JOBS ?= $(shell nproc)
PACKAGES = cmake g++ make qt6-base-dev qt6-svg-dev libgl-dev libgtest-dev libgmock-dev libbenchmark-dev libcli11-dev \
           libzip-dev nettle-dev pkgconf \
           fonts-dejavu-core poppler-utils \
           libhbci4j-core-java libxml2-utils unzip
# The sanitizer and fuzz builds use clang and its sanitizer and libFuzzer runtimes.
CLANG_PACKAGES = clang-14 libclang-rt-14-dev clang-format-14
CLANGXX = clang++-14
CLANG_FORMAT = clang-format-14

.PHONY: setup setup-clang build run test test-sanitize format-check fuzz bench demo install clean

setup:
	@$(MAKE) --no-print-directory install-packages NEEDED="$(PACKAGES)"

setup-clang:
	@$(MAKE) --no-print-directory install-packages NEEDED="$(PACKAGES) $(CLANG_PACKAGES)"

.PHONY: install-packages
install-packages:
	@missing=$$(for p in $(NEEDED); do dpkg -s $$p >/dev/null 2>&1 || echo $$p; done); \
	if [ -n "$$missing" ]; then \
	  if [ "$$(id -u)" = 0 ]; then \
	    apt-get update -qq && DEBIAN_FRONTEND=noninteractive apt-get install -y -qq $$missing; \
	  else \
	    echo "Qdx needs these packages; install them with:"; \
	    echo "  sudo apt-get install $$missing"; exit 1; \
	  fi; \
	fi

# CMAKE_ARGS: further settings for a fresh build folder, e.g. -DQDX_WERROR=ON.
$(BUILD)/CMakeCache.txt:
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo $(CMAKE_ARGS)

build: setup $(BUILD)/CMakeCache.txt
	cmake --build $(BUILD) -j $(JOBS)

run: build
	$(BUILD)/Qdx

test: build
	cd $(BUILD) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS)

# The whole suite built with AddressSanitizer and UndefinedBehaviorSanitizer;
# any finding fails its test. The Qt and GoogleTest headers are precompiled
# there too, which takes about a quarter off the build. The fuzzers run over
# their seeds and regression inputs as tests too.
SANITIZE_BUILD ?= build-sanitize
$(SANITIZE_BUILD)/CMakeCache.txt:
	cmake -S . -B $(SANITIZE_BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	  -DCMAKE_CXX_COMPILER=$(CLANGXX) -DQDX_SANITIZE=ON -DQDX_BUILD_FUZZ=ON -DQDX_BUILD_BENCH=OFF

test-sanitize: setup-clang $(SANITIZE_BUILD)/CMakeCache.txt
	cmake --build $(SANITIZE_BUILD) -j $(JOBS)
	cd $(SANITIZE_BUILD) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS)

# Every C++ source laid out as .clang-format says; lists the files that are not.
format-check:
	@$(MAKE) --no-print-directory install-packages NEEDED="$(CLANG_FORMAT) git"
	@bad=$$(git ls-files '*.cpp' '*.h' | while read f; do \
	  $(CLANG_FORMAT) --dry-run -Werror "$$f" >/dev/null 2>&1 || echo "$$f"; done); \
	if [ -n "$$bad" ]; then echo "Not formatted (run $(CLANG_FORMAT) -i on them):"; echo "$$bad"; exit 1; fi

# Each fuzzer runs FUZZ_SECONDS on its corpus in $(FUZZ_BUILD)/fuzz/corpus,
# starting from the seeds and regression inputs; failing inputs are kept in
# $(FUZZ_BUILD)/fuzz/artifacts. Fails when any fuzzer found something.
FUZZ_BUILD ?= build-fuzz
FUZZ_SECONDS ?= 60
FUZZERS = records regional reports csv
$(FUZZ_BUILD)/CMakeCache.txt:
	cmake -S . -B $(FUZZ_BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	  -DCMAKE_CXX_COMPILER=$(CLANGXX) -DCMAKE_CXX_FLAGS=-fsanitize=fuzzer-no-link \
	  -DQDX_SANITIZE=ON -DQDX_BUILD_FUZZ=ON -DQDX_BUILD_TESTS=OFF -DQDX_BUILD_BENCH=OFF

fuzz: setup-clang $(FUZZ_BUILD)/CMakeCache.txt
	cmake --build $(FUZZ_BUILD) -j $(JOBS) $(FUZZERS:%=--target qdx_fuzz_%)
	fuzz/run_fuzzers.sh $(FUZZ_BUILD) $(FUZZ_SECONDS) $(FUZZERS)

bench: build
	$(BUILD)/bench/qdx_bench
	$(BUILD)/bench/qdx_print_bench

# `make demo` writes a fresh demo affiliate program into $(BUILD)/demo, puts
# Qdx and its help pages beside it (Qdx keeps its data in its own folder) and
# starts it there.
DEMO = $(BUILD)/demo
demo: build
	rm -rf $(DEMO)
	$(BUILD)/qdx-demo $(DEMO)
	cp $(BUILD)/Qdx $(BUILD)/qdx-report $(DEMO)/
	cp -r help/pages/. $(DEMO)/
	$(DEMO)/Qdx

# `make install PREFIX=...` installs the programs, help pages, desktop entry and icon.
PREFIX ?= /usr/local
install: build
	cmake --install $(BUILD) --prefix $(PREFIX)

clean:
	rm -rf $(BUILD) $(SANITIZE_BUILD) $(FUZZ_BUILD)

# The engine's sources compiled for Windows by MinGW-w64 (syntax and types
# only: nothing is linked or run), so that no call outside core/platform/
# ties them to POSIX. Left out: what needs Qt (printing and the painting of
# charts) and the backup archive (libzip and Nettle have no MinGW packages in Debian).
MINGW_CXX = x86_64-w64-mingw32-g++-posix
WINDOWS_CHECKED = $(filter-out %/platform_posix.cpp reports/chart/chart_drawing.cpp reports/print/% safety/backup.cpp,\
  $(shell git ls-files 'core/*.cpp' 'registers/*.cpp' 'reports/*.cpp' 'safety/*.cpp' 'help/*.cpp' | grep -v /ui/))
.PHONY: check-windows
check-windows:
	@$(MAKE) --no-print-directory install-packages NEEDED="g++-mingw-w64-x86-64-posix"
	@echo $(WINDOWS_CHECKED) | tr ' ' '\n' | xargs -P $(JOBS) -I{} \
	  $(MINGW_CXX) -std=c++20 -fsyntax-only -Wall -Wextra -Werror -I. -DQDX_VERSION='"check"' {}
	@echo "$(words $(WINDOWS_CHECKED)) engine sources compile for Windows."

# The engine, its tests and the four batch programs built for Windows by
# MinGW-w64 (without Qt: -DQDX_QT=OFF, so qdx-report makes no PDFs or charts)
# in $(WINDOWS_BUILD), the tests run under Wine (the batch programs' in the
# en-GB user locale, tests/CMakeLists.txt).
# Wine keeps its prefix in the build folder and shows no window; its server
# and services are started first, with nothing of the tests' output, so
# that none of them holds a test's output open, and stopped at the end.
# Each test program runs as one test; one that fails is run once more, as
# Wine now and then ends a program before its first line (no output at all).
WINDOWS_BUILD ?= build-windows
WINDOWS_PACKAGES = g++-mingw-w64-x86-64-posix wine64 wine
WINE_ENV = WINEPREFIX=$(abspath $(WINDOWS_BUILD))/wine-prefix WINEDEBUG=-all WINEDLLOVERRIDES=mscoree,mshtml= DISPLAY=
$(WINDOWS_BUILD)/CMakeCache.txt:
	cmake -S . -B $(WINDOWS_BUILD) -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake \
	  -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQDX_DEBUG_INFO=OFF -DQDX_QT=OFF -DQDX_WERROR=ON $(CMAKE_ARGS)

.PHONY: test-windows
test-windows:
	@$(MAKE) --no-print-directory install-packages NEEDED="$(WINDOWS_PACKAGES) ninja-build"
	@$(MAKE) --no-print-directory $(WINDOWS_BUILD)/CMakeCache.txt
	cmake --build $(WINDOWS_BUILD) -j $(JOBS)
	mkdir -p $(WINDOWS_BUILD)/wine-prefix
	$(WINE_ENV) wineserver -p || true  # one may be running already
	$(WINE_ENV) wineboot </dev/null >/dev/null 2>&1
	cd $(WINDOWS_BUILD) && $(WINE_ENV) ctest --output-on-failure -j $(JOBS) --repeat until-pass:2; status=$$?; \
	  $(WINE_ENV) wineserver -k; exit $$status
