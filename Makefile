# Tabrovex: `make run` starts the program on the sample workbook, `make test` runs every test.
BUILD ?= build
JOBS  ?= $(shell nproc 2>/dev/null || echo 2)

.PHONY: all deps build run test clean

all: build

deps:
	@bash scripts/install-deps.sh

build: deps
	@cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
	@cmake --build $(BUILD) -j$(JOBS) -- --no-print-directory

run: build
	@if [ -z "$$DISPLAY" ] && [ -z "$$WAYLAND_DISPLAY" ]; then \
	  echo "make run: no display available (DISPLAY and WAYLAND_DISPLAY are unset); drawing the sample's chart with tabrovex-plot instead."; \
	  cd $(BUILD) && ./tabrovex-plot chart 001.xls -o sample-chart.png >/dev/null && \
	  echo "make run: wrote $(CURDIR)/$(BUILD)/sample-chart.png (run under xvfb-run or in a desktop session for the window)"; \
	else \
	  cd $(BUILD) && ./tabrovex; \
	fi

test: build
	@cd $(BUILD) && ctest --output-on-failure -j$(JOBS)

clean:
	rm -rf $(BUILD)
