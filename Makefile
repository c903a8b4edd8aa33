# The project's commands. `make run` and `make test` work on a fresh Debian 12 machine.
FUZZ_SECONDS ?= 60
CTEST_JOBS ?= 2

.PHONY: deps build release test test-debug test-asan run run-cli screenshots bench fuzz clean

deps:
	scripts/install-deps

build: deps
	cmake --preset debug
	cmake --build --preset debug

release: deps
	cmake --preset release
	cmake --build --preset release

test: test-debug test-asan

test-debug: build
	ctest --preset debug -j $(CTEST_JOBS)

test-asan: deps
	cmake --preset asan
	cmake --build --preset asan
	ctest --preset asan -j $(CTEST_JOBS)

# The wizard in test mode: the temporary folder stands in for the unit, so no unit is needed.
run: release
	build/release/app/transvane /T

# The sample files of examples/ through transvane-cli convert, the unit files printed.
run-cli: release
	scripts/run-examples build/release

# Each page of the conversion job, rendered offscreen in test mode, for the README.
screenshots: release
	mkdir -p docs/screenshots
	tmp=$$(mktemp -d) && cp tests/formats/golden/trip~saved.wpt $$tmp/trip.wpt && \
	  TMPDIR=$$tmp QT_QPA_PLATFORM=offscreen build/release/app/transvane-screenshots docs/screenshots $$tmp/trip.wpt; \
	  status=$$?; rm -rf $$tmp; exit $$status

bench: release
	scripts/bench build/release

fuzz: deps
	cmake --preset fuzz
	cmake --build --preset fuzz
	scripts/fuzz build/fuzz $(FUZZ_SECONDS)

clean:
	rm -rf build
