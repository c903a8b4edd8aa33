# The project's commands. `make run` and `make test` work on a fresh Debian 12 machine.
FUZZ_SECONDS ?= 60
CTEST_JOBS ?= 2

.PHONY: deps build release test test-debug test-asan run run-cli screenshots package check-package bench fuzz \
	windows-deps windows windows-package test-windows windows-screenshots clean

deps:
	scripts/install-deps

build: deps
	cmake --preset debug
	cmake --build --preset debug

release: deps
	cmake --preset release
	cmake --build --preset release

test: test-debug test-asan test-windows

test-debug: build
	ctest --preset debug -j $(CTEST_JOBS)

test-asan: deps
	cmake --preset asan
	cmake --build --preset asan
	ctest --preset asan -j $(CTEST_JOBS)

# The wizard in test mode with the build's demo desktop installation (sample files and map
# regions): build/release/demo/unit stands in for the unit and for the card, so both jobs can be
# tried without a unit, a card or the desktop product.
demo := $(CURDIR)/build/release/demo
run: release
	mkdir -p $(demo)/unit
	TMPDIR=$(demo)/unit WINEPREFIX=$(demo)/wine build/release/app/transvane /T

# The sample files of examples/ through transvane-cli convert, the unit files printed.
run-cli: release
	scripts/run-examples build/release

# Each page of both jobs, rendered offscreen in test mode with the demo installation, for the
# README. In another
# language with LANGUAGE=fr (de, es, it, nl): those pages go to docs/screenshots/fr. Then the
# picture that `transvane-cli show` draws of the sample files.
screenshots_language := $(firstword $(subst :, ,$(LANGUAGE)))
screenshots_dir := docs/screenshots$(if $(filter-out en en_% C C.% POSIX,$(screenshots_language)),/$(screenshots_language))
screenshots: release
	mkdir -p $(screenshots_dir)
	tmp=$$(mktemp -d) && \
	  TMPDIR=$$tmp WINEPREFIX=$(demo)/wine QT_QPA_PLATFORM=offscreen \
	    build/release/app/transvane-screenshots $(screenshots_dir); \
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

# The Windows programs, cross-built with mingw-w64 into build/windows. The libraries they need are
# built once into build/windows-deps; the tests run under Wine in a prefix made for each run.
windows-deps:
	scripts/install-deps --windows
	scripts/build-windows-deps

windows: windows-deps
	cmake --preset windows
	cmake --build --preset windows

# The Windows setup program, build/windows/package/transvane-<version>-setup.exe, and the Windows
# Installer package beside it, transvane-<version>.msi.
windows-package: windows
	cmake --build --preset windows --target windows-package windows-msi

# The Linux debug build too: the cross test compares its conversions with the Windows program's.
test-windows: windows build
	ctest --preset windows -j $(CTEST_JOBS)

# Every page of both jobs of the Windows wizard under Wine on Xvfb, with the demo installation,
# into docs/screenshots/windows.
windows-screenshots: windows
	scripts/windows-screenshots build/windows docs/screenshots/windows

clean:
	rm -rf build
