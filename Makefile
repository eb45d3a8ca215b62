# Qdx: `make run` installs what is missing, builds and starts the program;
# `make test` builds and runs every test.
BUILD ?= build
JOBS ?= $(shell nproc)
PACKAGES = cmake g++ make qt6-base-dev libgl-dev libgtest-dev libgmock-dev libbenchmark-dev \
           fonts-dejavu-core poppler-utils

.PHONY: setup build run test bench demo install clean

setup:
	@missing=$$(for p in $(PACKAGES); do dpkg -s $$p >/dev/null 2>&1 || echo $$p; done); \
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

bench: build
	$(BUILD)/bench/qdx_bench

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
	rm -rf $(BUILD)
