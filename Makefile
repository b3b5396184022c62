# Thin wrapper over CMake: `make run` plays the demo, `make test` runs every test.
.PHONY: all deps configure build demo run test fuzz-smoke bench format clean

WERROR := $(if $(CI),ON,OFF)

all: build

deps:
	@bash scripts/install-deps.sh

configure: deps
	@cmake --preset default -DTORVAN_WERROR=$(WERROR) >/dev/null

build: configure
	@cmake --build --preset default

demo: build
	@cmake --build --preset default --target demo

run: demo
	@bash scripts/run-demo.sh

test: demo
	@bash scripts/check-format.sh
	@cd build && ctest --output-on-failure -j2
	@bash scripts/fuzz-smoke.sh

fuzz-smoke: deps
	@bash scripts/fuzz-smoke.sh

bench: build
	@build/bin/torvan_bench

format:
	@clang-format -i $$(git ls-files '*.cpp' '*.h')

clean:
	rm -rf build build-fuzz
