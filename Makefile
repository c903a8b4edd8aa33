# The project's commands. `make run` and `make test` work on a fresh Debian 12 machine.
FUZZ_SECONDS ?= 60
CTEST_JOBS ?= 2

.PHONY: deps build release test test-debug test-asan run run-cli screenshots package check-package bench fuzz clean

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

# Each page of the conversion job, rendered offscreen in test mode, for the README. In another
# language with LANGUAGE=fr (de, es, it, nl): those pages go to docs/screenshots/fr. Then the
# picture that `transvane-cli show` draws of the sample files.
screenshots_language := $(firstword $(subst :, ,$(LANGUAGE)))
screenshots_dir := docs/screenshots$(if $(filter-out en en_% C C.% POSIX,$(screenshots_language)),/$(screenshots_language))
screenshots: release
	mkdir -p $(screenshots_dir)
	tmp=$$(mktemp -d) && cp tests/formats/golden/trip~saved.wpt $$tmp/trip.wpt && \
	  TMPDIR=$$tmp QT_QPA_PLATFORM=offscreen build/release/app/transvane-screenshots $(screenshots_dir) $$tmp/trip.wpt; \
	  status=$$?; rm -rf $$tmp; exit $$status
	build/release/cli/transvane-cli show --png docs/screenshots/show-examples.png examples/trip.wpt examples/morning.trk

# The Debian package of the release build, in build/release/package/.
package: release
	rm -f build/release/package/transvane_*.deb
	cd build/release && cpack -G DEB

# The package checked: lintian without errors, and its files, unpacked, as the install test
# checks an installed tree.
check-package: package
	scripts/check-package build/release/package

bench: release
	scripts/bench build/release

fuzz: deps
	cmake --preset fuzz
	cmake --build --preset fuzz
	scripts/fuzz build/fuzz $(FUZZ_SECONDS)

clean:
	rm -rf build
