# Tabrovex: `make run` starts the program on the sample workbook, `make test` runs every test.
BUILD    ?= build
JOBS     ?= $(shell nproc 2>/dev/null || echo 2)
PREFIX   ?= /usr/local
PROGRAMS := tabrovex tabrovex-plot

.PHONY: all deps-run deps-test configure programs build run test install deb clean

all: build

deps-run:
	@bash scripts/install-deps.sh run

deps-test:
	@bash scripts/install-deps.sh test

configure:
	@cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_INSTALL_PREFIX=$(PREFIX) >/dev/null

# Only the two programs: no tests, sanitizer build or benchmarks.
programs: deps-run configure
	@cmake --build $(BUILD) -j$(JOBS) --target $(PROGRAMS) -- --no-print-directory

build: deps-test configure
	@cmake --build $(BUILD) -j$(JOBS) -- --no-print-directory

run: programs
	@bash scripts/run.sh $(BUILD)

test: build
	@cd $(BUILD) && ctest --output-on-failure -j$(JOBS)

# Into PREFIX (/usr/local unless told); DESTDIR is honoured.
install: programs
	@cmake --install $(BUILD)

# A Debian package of the same files, installed below /usr: $(BUILD)/tabrovex_*.deb
deb: programs
	@cd $(BUILD) && cpack -G DEB
	@ls $(BUILD)/tabrovex_*.deb

clean:
	rm -rf $(BUILD)
