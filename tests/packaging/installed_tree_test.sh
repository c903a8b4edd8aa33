#!/usr/bin/env bash
# The installed tree (cmake --install into a DESTDIR): every file in its place, the installed
# programs answer and convert the examples from there, the desktop entry and the metadata pass their
# validators, the icons have their sizes, the manual pages render without warnings, and the real
# window's class is the one the desktop entry names.
# usage: installed_tree_test.sh DESTDIR SOURCE_DIR APP_ID VERSION
set -uo pipefail
root=$1/usr
source=$2
id=$3
version=$4
failures=0
fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

for file in bin/transvane bin/transvane-cli \
  share/applications/$id.desktop share/metainfo/$id.metainfo.xml \
  share/icons/hicolor/scalable/apps/$id.svg share/icons/hicolor/{48x48,128x128,256x256}/apps/$id.png \
  share/man/man1/transvane.1.gz share/man/man1/transvane-cli.1.gz \
  share/bash-completion/completions/transvane-cli share/zsh/vendor-completions/_transvane-cli \
  share/fish/vendor_completions.d/transvane-cli.fish \
  share/transvane/translations/transvaneRC_{fr,de,es,it,nl}.rcc \
  share/doc/transvane/copyright share/doc/transvane/changelog.gz; do
  [[ -s $root/$file ]] || fail "$file is not installed"
done

# The programs, run from the tree; --help and --version need no display.
answer=$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$root/bin/transvane" --version 2>&1)
[[ $answer == "transvane $version" ]] || fail "transvane --version: $answer"
answer=$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$root/bin/transvane" --help 2>&1)
[[ $answer == "Usage: transvane [/T]"* ]] || fail "transvane --help: $answer"
answer=$("$root/bin/transvane-cli" --version 2>&1)
[[ $answer == "transvane-cli $version" ]] || fail "transvane-cli --version: $answer"
if "$root/bin/transvane-cli" convert -o "$work/unit" "$source/examples/trip.wpt" "$source/examples/morning.trk" \
  >/dev/null && "$root/bin/transvane-cli" convert -o "$work/back" "$work/unit/trip.rte" "$work/unit/morning.log" \
  >/dev/null; then
  for file in unit/trip.upt unit/trip.rte unit/morning.log back/trip.wpt back/morning.trk; do
    [[ -s $work/$file ]] || fail "the installed transvane-cli convert did not write $file"
  done
else
  fail "the installed transvane-cli convert failed on the examples"
fi

desktop-file-validate "$root/share/applications/$id.desktop" || fail "desktop-file-validate"
appstreamcli validate-tree --no-net "$1" >"$work/appstream" 2>&1 || fail "appstreamcli: $(cat "$work/appstream")"
grep -qx "Icon=$id" "$root/share/applications/$id.desktop" || fail "the desktop entry names another icon"
while read -r image; do
  [[ -f $source/docs/screenshots/$image ]] || fail "the metadata shows $image, which docs/screenshots lacks"
done < <(sed -n 's|.*<image>.*/\([^/]*\.png\)</image>.*|\1|p' "$root/share/metainfo/$id.metainfo.xml")

# PNG: the width and height are the big-endian words at bytes 16 and 20.
for size in 48 128 256; do
  read -r width height < <(od -An -tu1 -j16 -N8 "$root/share/icons/hicolor/${size}x$size/apps/$id.png" |
    awk '{ print $1 * 16777216 + $2 * 65536 + $3 * 256 + $4, $5 * 16777216 + $6 * 65536 + $7 * 256 + $8 }')
  [[ "$width $height" == "$size $size" ]] || fail "the ${size} px icon is ${width}x$height"
done

for page in transvane transvane-cli; do
  warnings=$(MANWIDTH=80 man --warnings -l "$root/share/man/man1/$page.1.gz" 2>&1 >/dev/null)
  [[ -z $warnings ]] || fail "man $page: $warnings"
done

# The real window under Xvfb: its class is the one the desktop entry says it starts.
window_class() {
  TMPDIR=$work "$root/bin/transvane" /T >/dev/null 2>&1 &
  local wizard=$! class="" i
  for ((i = 0; i < 300; i++)); do
    class=$(xprop -name "Tavrelin Transvane - v1.07" WM_CLASS 2>/dev/null | sed -n 's/^WM_CLASS(STRING) = //p')
    [[ -n $class ]] && break
    kill -0 "$wizard" 2>/dev/null || break
    sleep 0.1
  done
  kill "$wizard" 2>/dev/null
  wait "$wizard"
  echo "$class"
}
wm_class=$(sed -n 's/^StartupWMClass=//p' "$root/share/applications/$id.desktop")
if command -v xvfb-run >/dev/null && command -v xprop >/dev/null; then
  export root work
  class=$(env -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM xvfb-run -a -s "-nolisten tcp" \
    bash -c "$(declare -f window_class); window_class")
  [[ $class == "\"$wm_class\", \"$wm_class\"" ]] || fail "the window's class is '$class', the desktop entry says '$wm_class'"
else
  fail "no xvfb-run or xprop to look at the window (scripts/install-deps installs them)"
fi

if ((failures)); then
  echo "$failures failed"
  exit 1
fi
echo "the installed tree is complete and works"
