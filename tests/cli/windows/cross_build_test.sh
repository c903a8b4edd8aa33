#!/bin/sh
# Converts the example files with the Linux and the Windows transvane-cli, the same commands in the
# same zone and code page, and compares every file they write byte for byte.
# Usage: cross_build_test.sh LINUX_CLI WINDOWS_CLI EXAMPLES_FOLDER
# Exits 77 (a skipped test) when the Linux program has not been built.
set -eu

linux=$1
windows=$2
examples=$3
if [ ! -x "$linux" ]; then
  echo "skipped: no Linux build of transvane-cli at $linux (make test-debug builds it)"
  exit 77
fi

work=$(mktemp -d "${TMPDIR:-/tmp}/transvane-cross.XXXXXX")
trap 'rm -rf "$work"' EXIT INT TERM
export TZ=UTC TRANSVANE_TIME_ZONE=UTC

# Both programs get relative paths from the same working folder layout, which Wine maps as it is.
convert_all() {
  mkdir -p "$1/in"
  cp "$examples/trip.wpt" "$examples/morning.trk" "$1/in/"
  (
    cd "$1"
    $2 convert --codepage 1252 -o unit in/trip.wpt in/morning.trk >/dev/null
    $2 convert --codepage 1252 --to gpx -o gpx in/trip.wpt in/morning.trk >/dev/null
    $2 convert --codepage 1252 --to desktop -o back-upt unit/trip.upt >/dev/null
    $2 convert --codepage 1252 --to desktop -o back-rte unit/trip.rte >/dev/null
    $2 convert --codepage 1252 --to desktop -o back-log unit/morning.log >/dev/null
    $2 convert --codepage 1252 --to unit -o from-gpx gpx/trip.gpx gpx/morning.gpx >/dev/null
    # Standard input and output in binary, and the exit statuses of a missing file and of a
    # command line that cannot be run.
    mkdir streams
    $2 convert --codepage 1252 --to gpx -o - in/morning.trk >streams/morning.gpx
    $2 convert --codepage 1252 --from trk -o - - <in/morning.trk >streams/morning.log
    status=0
    $2 convert --codepage 1252 -o missing in/missing.trk >/dev/null 2>&1 || status=$?
    echo "missing file: $status" >streams/statuses
    status=0
    $2 convert --codepage 1252 -o - in/trip.wpt in/morning.trk >/dev/null 2>&1 || status=$?
    echo "two files to standard output: $status" >>streams/statuses
  )
}

convert_all "$work/linux" "$linux"
convert_all "$work/windows" "${WINE_RUN:-wine} $windows"
count=$(find "$work/linux" -type f ! -path '*/in/*' | wc -l)
if [ "$count" -lt 13 ]; then
  echo "only $count files were written:" >&2
  find "$work/linux" -type f >&2
  exit 1
fi
if ! diff -r "$work/linux" "$work/windows"; then
  echo "the Windows build wrote other bytes than the Linux build" >&2
  exit 1
fi
# Without the desktop product, Windows has its registry to blame, not a Wine prefix.
status=0
said=$(${WINE_RUN:-wine} "$windows" maps list 2>&1 >/dev/null) || status=$?
case "$status:$said" in
  "1:no map region found: the registry holds no installation of the desktop product"*) ;;
  *)
    echo "maps list without the desktop product: status $status, said: $said" >&2
    exit 1
    ;;
esac
# A region path written with Windows' separator is a path there, not a region's name.
mkdir "$work/card"
status=0
said=$(cd "$work" && ${WINE_RUN:-wine} "$windows" maps copy --to card 'maps\none.imi' 2>&1 >/dev/null) || status=$?
case "$status:$said" in
  "1:"*"no such region file"*) ;;
  *)
    echo "maps copy of a missing region path: status $status, said: $said" >&2
    exit 1
    ;;
esac
echo "$count files the same from both builds"
