#!/usr/bin/env bash
# The setup program under Wine, in a throw-away prefix: installed silently twice (in French into
# Program Files; in English with /PATH into a folder the user already keeps a file in), each time
# checked where it lands and then uninstalled, leaving nothing of its own behind; then with /PATH
# over PATH values it must leave alone; then the Windows Installer package, in a language given and
# in the system's.
#   install_test.sh SETUP MSI PROBE TRANSLATIONS VERSION WINE_RUN
# PROBE is setup_probe.exe (waits for the setup's processes, opens the installed wizard);
# TRANSLATIONS the build's folder of resource libraries. Exits 77 when everything but the wizard's
# window passed and no display was there to open it on.
set -uo pipefail
setup=$1 msi=$2 probe=$3 translations=$4 version=$5 wine_run=$6

work=$(mktemp -d)
export WINEPREFIX=$work/prefix WINEDEBUG=-all
trap '"$wine_run" --remove "$WINEPREFIX"; rm -rf "$work"' EXIT
"$wine_run" --create "$WINEPREFIX" || exit 1

failures=0 skipped=0
check() {  # check DESCRIPTION COMMAND...
  local what=$1
  shift
  if "$@" >/dev/null 2>&1; then echo "ok    $what"; else echo "FAIL  $what"; failures=$((failures + 1)); fi
}
absent() { [ ! -e "$1" ]; }
has_line() { grep -qiE "$2" <<<"$1"; }
lacks_line() { ! has_line "$@"; }

# Windows programs are started by the probe, which returns when all they started has ended.
run() { wine "$probe" run "$@"; }
reg_text() { wine reg query "$@" 2>/dev/null | tr -d '\r'; }
key_absent() { ! wine reg query "$@"; }
drive=$WINEPREFIX/drive_c
shortcut="$drive/ProgramData/Microsoft/Windows/Start Menu/Programs/Transvane.lnk"
uninstall_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Transvane'
environment_key='HKLM\SYSTEM\CurrentControlSet\Control\Session Manager\Environment'
autoplay_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Explorer\AutoplayHandlers\CancelAutoplay\CLSID'
autoplay_value=DB7F04B0-D48E-43f6-B12B-6B997E6E598A
set_path() { wine reg add "$environment_key" /v Path /t REG_EXPAND_SZ /d "$1" /f >/dev/null; }
machine_path() { reg_text "$environment_key" /v Path | sed -n 's/^ *Path *REG_EXPAND_SZ *//p'; }

files_checks() {  # files_checks UNIX_FOLDER WINDOWS_FOLDER: what either package installs
  local folder=$1 windows=$2 file
  for file in Transvane.exe transvane-cli.exe manual/transvane.html manual/transvane-cli.html; do
    check "installed $file" test -s "$folder/$file"
  done
  for file in "$translations"/TransvaneRC_*.dll; do
    check "installed translations/${file##*/}" cmp "$file" "$folder/translations/${file##*/}"
  done
  check "AutoPlay handler value" has_line "$(reg_text "$autoplay_key")" "$autoplay_value"
  check "installed transvane-cli --version" has_line "$(wine "$windows\\transvane-cli.exe" --version | tr -d '\r')" \
    "$version"
}

installed_checks() {  # installed_checks UNIX_FOLDER WINDOWS_FOLDER: the setup program's installation
  local folder=$1 windows=$2 key name
  files_checks "$folder" "$windows"
  check "installed uninstall.exe" test -s "$folder/uninstall.exe"
  check "Start-menu shortcut to the wizard" grep -qaF "$windows\\Transvane.exe" <(tr -d '\0' <"$shortcut")
  key=$(reg_text "$uninstall_key")
  for name in "DisplayName +REG_SZ +Transvane$" "DisplayVersion +REG_SZ +$version$" "Publisher +REG_SZ +." \
    "DisplayIcon +REG_SZ +${windows//\\/\\\\}\\\\Transvane.exe,0$" "EstimatedSize +REG_DWORD +0x[0-9a-f]{3,}" \
    "InstallLocation +REG_SZ +${windows//\\/\\\\}$" "UninstallString +REG_SZ +\"${windows//\\/\\\\}\\\\uninstall.exe\"$" \
    "QuietUninstallString +REG_SZ +\"${windows//\\/\\\\}\\\\uninstall.exe\" /S$" "NoModify +REG_DWORD +0x1$" \
    "NoRepair +REG_DWORD +0x1$"; do
    check "uninstall key: ${name%% *}" has_line "$key" "^ +$name"
  done
}

gone_checks() {  # gone_checks UNIX_FOLDER
  check "program folder emptied" absent "$1/Transvane.exe"
  check "no Start-menu shortcut" absent "$shortcut"
  check "no uninstall key" key_absent "$uninstall_key"
  check "no AutoPlay handler value" key_absent "$autoplay_key" /v "$autoplay_value"
  check "no AutoPlay handler key left empty" key_absent "$autoplay_key"
}

wizard_check() {
  local status=0
  wine "$probe" wizard "$1\\Transvane.exe" || status=$?
  if [ "$status" -eq 77 ]; then
    echo "SKIP  installed wizard's window (no display: run under xvfb-run)"
    skipped=1
  else
    check "installed wizard opens its window in /T and closes" test "$status" -eq 0
  fi
}

echo "-- in French, into Program Files"
path_before=$(machine_path)
program_files="C:\\Program Files\\Transvane"
folder="$drive/Program Files/Transvane"
check "setup /S ends well" env LC_ALL=fr_FR.UTF-8 wine "$probe" run "$setup" /S
installed_checks "$folder" "$program_files"
check "French resource library beside the program" cmp "$folder/TransvaneRC.dll" "$translations/TransvaneRC_fr.dll"
check "PATH left alone" test "$(machine_path)" = "$path_before"
wizard_check "$program_files"
check "uninstall /S ends well" run "$program_files\\uninstall.exe" /S
gone_checks "$folder"
check "no folder left" absent "$folder"

echo "-- in English, with /PATH, into a folder holding a file of the user's"
tools="C:\\Tools\\Transvane"
folder="$drive/Tools/Transvane"
mkdir -p "$folder"
echo "mine" >"$folder/notes.txt"
check "setup /S /PATH /D= ends well" env LC_ALL=en_US.UTF-8 wine "$probe" run "$setup" /S /PATH "/D=$tools"
installed_checks "$folder" "$tools"
check "no resource library beside the program" absent "$folder/TransvaneRC.dll"
check "PATH gains the folder at its end" test "$(machine_path)" = "$path_before;$tools"
check "transvane-cli found on the PATH" has_line "$(wine cmd /c transvane-cli --version | tr -d '\r')" "$version"
set_path "$path_before;$tools;C:\\Later"
check "uninstall /S ends well" run "$tools\\uninstall.exe" /S
gone_checks "$folder"
check "PATH loses only the folder" test "$(machine_path)" = "$path_before;C:\\Later"
check "the user's file kept" test "$(ls -A "$folder")" = notes.txt

# The PATH is changed only where the setup can do so safely, and only its own entry is removed.
# The setup edits values of up to 1023 characters: one that would grow past that, and one past it.
full="$path_before;C:\\$(printf 'x%.0s' $(seq $((1015 - ${#path_before}))))"
long="$path_before;C:\\$(printf 'x%.0s' {1..1100})"
for case in "already there|$path_before;$tools\\" "too long to add to|$full" "too long to read|$long"; do
  echo "-- with /PATH, the PATH ${case%%|*}"
  set_path "${case#*|}"
  check "setup /S /PATH /D= ends well" run "$setup" /S /PATH "/D=$tools"
  check "PATH unchanged by the setup" test "$(machine_path)" = "${case#*|}"
  check "uninstall /S ends well" run "$tools\\uninstall.exe" /S
  check "PATH unchanged by the uninstaller" test "$(machine_path)" = "${case#*|}"
  check "nothing left" test "$(ls -A "$folder")" = notes.txt
done

# Wine's msi puts an all-users package's shortcut in the installing user's Start menu; Windows in
# the all-users one.
msi_shortcuts() { ls "$shortcut" "$drive"/users/*/AppData/Roaming/Microsoft/Windows/Start\ Menu/Programs/Transvane.lnk; }
apps_entry() { reg_text 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall' /s; }
msi_windows="Z:${msi//\//\\}"
folder="$drive/Program Files/Transvane"
echo "-- the Windows Installer package, LANGUAGE=it on a French system"
check "msiexec /i /qn ends well" env LC_ALL=fr_FR.UTF-8 wine "$probe" run msiexec /i "$msi_windows" /qn LANGUAGE=it
check "Italian resource library beside the program" cmp "$folder/TransvaneRC.dll" "$translations/TransvaneRC_it.dll"
check "msiexec /x /qn ends well" run msiexec /x "$msi_windows" /qn
check "no folder left" absent "$folder"

echo "-- the Windows Installer package on a Dutch system"
check "msiexec /i /qn ends well" env LC_ALL=nl_NL.UTF-8 wine "$probe" run msiexec /i "$msi_windows" /qn
files_checks "$folder" "$program_files"
check "Dutch resource library beside the program" cmp "$folder/TransvaneRC.dll" "$translations/TransvaneRC_nl.dll"
check "Start-menu shortcut to the wizard" grep -qaF "$program_files\\Transvane.exe" <(tr -d '\0' <"$(msi_shortcuts 2>/dev/null)")
check "Apps entry with the version" has_line "$(apps_entry)" "^ +DisplayVersion +REG_SZ +$version$"
check "msiexec /x /qn ends well" run msiexec /x "$msi_windows" /qn
check "no folder left" absent "$folder"
check "no Start-menu shortcut" test -z "$(msi_shortcuts 2>/dev/null)"
check "no Apps entry" lacks_line "$(apps_entry)" "^ +DisplayName +REG_SZ +Transvane$"
check "no AutoPlay handler value" key_absent "$autoplay_key" /v "$autoplay_value"

if [ "$failures" -gt 0 ]; then
  echo "$failures checks failed"
  exit 1
fi
[ "$skipped" -eq 0 ] || exit 77
