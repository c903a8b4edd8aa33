#!/usr/bin/env bash
# The installed shell completions of transvane-cli. Bash offers exactly the commands and options
# that the installed tool's own --help lists, the values of options, the files each command takes
# and the region names of `maps list`; fish the same on a few lines; zsh's file parses.
# usage: completion_test.sh DESTDIR
set -uo pipefail
root=$1/usr
cli=$root/bin/transvane-cli
failures=0
expect() { # LABEL EXPECTED ACTUAL
  if [[ $2 != "$3" ]]; then
    printf 'FAIL: %s\n  expected: %s\n  actual:   %s\n' "$1" "$2" "$3"
    failures=$((failures + 1))
  fi
}
export LC_ALL=C

# A folder with files of every kind and a Wine prefix holding three regions.
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work" || exit 1
mkdir d
touch a.wpt B.TRK c.txt e.gpx f.Log g.imi
prefix=$work/wine
maps="$prefix/drive_c/Program Files/Tavrelin/Vexlorn/Maps"
mkdir -p "$maps" "$prefix/dosdevices"
ln -s ../drive_c "$prefix/dosdevices/c:"
printf 'WINE REGISTRY Version 2\n\n[Software\\\\Tavrelin] 1\n\n[Software\\\\Tavrelin\\\\Vexlorn] 1\n"Path"="C:\\\\Program Files\\\\Tavrelin\\\\Vexlorn"\n' \
  >"$prefix/system.reg"
touch "$maps/Alps.imi" "$maps/World.tdx" "$maps/Big Sur.imi"

# shellcheck disable=SC1091
source /usr/share/bash-completion/bash_completion
# shellcheck disable=SC1091
source "$root/share/bash-completion/completions/transvane-cli"

# Bash's completions of the words after the program (the cursor at the end), sorted, joined by
# '|'. Readline splits the line at blanks and makes each '=' a word of its own.
bash_complete() {
  COMP_LINE="$cli $1"
  COMP_POINT=${#COMP_LINE}
  read -ra COMP_WORDS <<<"${COMP_LINE//=/ = }"
  [[ $COMP_LINE == *' ' ]] && COMP_WORDS+=('')
  COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
  COMPREPLY=()
  _transvane_cli
  printf '%s\n' "${COMPREPLY[@]}" | sort | paste -sd'|'
}

# Every command path of the tool and, for each, its options and subcommands as its --help shows
# them: the completion offers exactly those, so a command or option added to the tool without its
# line in the completions' description fails here.
paths=("")
for ((n = 0; n < ${#paths[@]}; n++)); do
  path=${paths[n]}
  # shellcheck disable=SC2086 # the path's words are separate arguments
  help=$("$cli" $path --help)
  options=$(awk '/^[A-Z][a-z]*:$/ { part = $0 } part == "Options:" && /^  -/ { gsub(",", "\n", $1); print $1 }' \
    <<<"$help" | sort | paste -sd'|')
  subcommands=$(awk '/^[A-Z][a-z]*:$/ { part = $0; next } part == "Subcommands:" && /^  [a-z]/ { print $1 }' \
    <<<"$help" | sort)
  expect "options of '$path'" "$options" "$(bash_complete "${path:+$path }-")"
  if [[ -n $subcommands ]]; then
    expect "commands of '$path'" "$(paste -sd'|' <<<"$subcommands")" "$(bash_complete "${path:+$path }")"
    while read -r sub; do paths+=("${path:+$path }$sub"); done <<<"$subcommands"
  fi
done
expect "every command was seen" "9" "${#paths[@]}"

# Values, files and region names.
while IFS=';' read -r line expected; do
  expect "bash: $line" "$expected" "$(bash_complete "$line")"
done <<EOF
conv;convert
convert --to ;desktop|gpx|unit
convert --to=g;gpx
convert --codepage CP125;CP1250|CP1251|CP1252|CP1253|CP1254|CP1255|CP1256|CP1257|CP1258
convert ;B.TRK|a.wpt|d|e.gpx|f.Log|wine
convert -o ;d|wine
convert -o d --to unit ;B.TRK|a.wpt|d|e.gpx|f.Log|wine
send ;B.TRK|a.wpt|d|wine
send --unit d -;--codepage|--help|--no-eject|--sysroot|--unit|-h
maps copy --wineprefix $prefix ;Alps.imi|Big Sur.imi|World.tdx|d|g.imi|wine
maps copy --to d --wineprefix=$prefix B;Big Sur.imi
maps copy --wineprefix $prefix --to ;d|wine
maps copy --wineprefix $work/none ;d|g.imi|wine
show ;B.TRK|a.wpt|d|e.gpx|f.Log|wine
show --png ;B.TRK|a.wpt|c.txt|d|e.gpx|f.Log|g.imi|wine
show --size 800x600 --svg=c;c.txt
EOF

# Fish, the installed tool found in PATH as a user has it.
fish_complete() {
  PATH="$root/bin:$PATH" fish --no-config -c "source $root/share/fish/vendor_completions.d/transvane-cli.fish
    complete -C '$1'" | cut -f1 | sort | paste -sd'|'
}
expect "fish: commands" "convert|devices|help|maps|send|show" "$(fish_complete 'transvane-cli ')"
expect "fish: a picture's file" "B.TRK|a.wpt|c.txt|d/|e.gpx|f.Log|g.imi|wine/" \
  "$(fish_complete 'transvane-cli show --png ')"
expect "fish: --to" "desktop|gpx|unit" "$(fish_complete 'transvane-cli convert --to ')"
expect "fish: send files" "B.TRK|a.wpt|d/|wine/" "$(fish_complete 'transvane-cli send ')"
expect "fish: regions" "Alps.imi|Big Sur.imi|World.tdx|d/|g.imi|wine/" \
  "$(fish_complete "transvane-cli maps copy --wineprefix $prefix ")"

zsh -n "$root/share/zsh/vendor-completions/_transvane-cli" || expect "zsh parses its completion" "" "syntax error"

if ((failures)); then
  echo "$failures failed"
  exit 1
fi
echo "the completions offer what transvane-cli takes"
