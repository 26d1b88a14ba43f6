#!/usr/bin/env bash
# Runs the Windows setup silently under Wine and checks what it leaves: the programs, the
# uninstall entry in the registry, the Start-menu shortcut (only with the wizard), and a
# batch tool that runs; then that the uninstaller takes all of it away again and nothing
# else (a list the user saved in the folder stays).
#   installer.sh SETUP_EXE INSTALLED_FILES VERSION "WINE" BUILT_CLI
# INSTALLED_FILES names, one a line, the files the setup puts in its folder; WINEPREFIX
# names the prefix to install into.
set -euo pipefail
setup=$1 files_list=$2 version=$3 wine=$4 built_cli=$5
: "${WINEPREFIX:?installer: WINEPREFIX is not set}"
# No .desktop files for the shortcut in the real home.
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:+$WINEDLLOVERRIDES;}winemenubuilder.exe=d"
key='HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\Vantor'

fail() {
  echo "installer: $*" >&2
  exit 1
}
# Runs a Windows program; a Wine process that hangs fails the stage instead of stopping it.
# shellcheck disable=SC2086  # "$wine" may be a command with arguments
run() { timeout 60 $wine "$@"; }
unix_path() { run winepath -u "$1" | tr -d '\r'; }

mapfile -t installed < "$files_list"
[ ${#installed[@]} -ge 2 ] || fail "$files_list names too few files"
wizard=no
[[ " ${installed[*]} " == *" vantor.exe "* ]] && wizard=yes

mapfile -t folders < <(run cmd /c 'echo %LOCALAPPDATA%&echo %APPDATA%' | tr -d '\r')
default_win="${folders[0]}\\Programs\\Vantor"
default_dir=$(unix_path "$default_win")
shortcut="$(unix_path "${folders[1]}")/Microsoft/Windows/Start Menu/Programs/Vantor.lnk"
# A folder whose name has a space and a letter outside ASCII.
other_win='C:\vantor-installer-test\Vantor Ü'
other_dir="$WINEPREFIX/drive_c/vantor-installer-test/Vantor Ü"
# Whatever Wine answered, nothing outside the prefix is removed below.
[[ "$default_dir" == "$WINEPREFIX"/*/Programs/Vantor ]] || fail "no folder for %LOCALAPPDATA%"

# What an earlier run may have left.
run reg delete "$key" /f >/dev/null 2>&1 || true
rm -rf "$default_dir" "$WINEPREFIX/drive_c/vantor-installer-test"
rm -f "$shortcut"

# The uninstall entry as NAME=VALUE lines in the words of a .reg file ("text", dword:1).
registry() {
  local out
  out=$(run winepath -w "$WINEPREFIX/installer-key.reg" | tr -d '\r')
  run reg export "$key" "$out" /y >/dev/null || fail "no uninstall entry in the registry"
  iconv -f UTF-16 -t UTF-8 "$WINEPREFIX/installer-key.reg" | tr -d '\r' | sed -n 's/^"\([^"]*\)"=/\1=/p'
  rm -f "$WINEPREFIX/installer-key.reg"
}
# A string as a .reg file writes it.
reg_string() {
  local s=${1//\\/\\\\}
  printf '"%s"' "${s//\"/\\\"}"
}

# Checks a finished installation in folder $1 (Unix) = $2 (Windows).
check_installed() {
  local dir=$1 win=$2 name
  [ -d "$dir" ] || fail "the setup made no folder $win"
  diff <(printf '%s\n' "${installed[@]}" | sort) <(cd "$dir" && ls | sort) >&2 ||
    fail "the files in $win are not the ones the setup should install (above)"
  cmp -s "$built_cli" "$dir/vantor-cli.exe" || fail "$win\\vantor-cli.exe is not the one built"
  local said
  said=$(run "$dir/vantor-cli.exe" --version | tr -d '\r')
  [ "$said" = "vantor-cli $version" ] || fail "installed vantor-cli --version says '$said', not $version"

  local entry want
  entry=$(registry)
  for want in "DisplayName=\"Vantor\"" \
    "DisplayVersion=$(reg_string "$version")" \
    "InstallLocation=$(reg_string "$win")" \
    "UninstallString=$(reg_string "\"$win\\uninstall.exe\"")" \
    "QuietUninstallString=$(reg_string "\"$win\\uninstall.exe\" /S")" \
    "NoModify=dword:00000001" "NoRepair=dword:00000001"; do
    grep -qxF -- "$want" <<< "$entry" || fail "the uninstall entry lacks $want; it has:
$entry"
  done
  grep -qx 'Publisher=".\+"' <<< "$entry" || fail "the uninstall entry names no publisher"
  # In KB: the programs (not the uninstaller), each rounded up.
  local size kb=0
  size=$(sed -n 's/^EstimatedSize=dword://p' <<< "$entry")
  [ -n "$size" ] || fail "the uninstall entry has no EstimatedSize"
  for name in "${installed[@]}"; do
    [ "$name" = uninstall.exe ] || kb=$((kb + ($(stat -c %s "$dir/$name") + 1023) / 1024))
  done
  if [ $((16#$size)) -lt $((kb - 1)) ] || [ $((16#$size)) -gt $((kb + 1)) ]; then
    fail "EstimatedSize is $((16#$size)) KB, the programs take $kb KB"
  fi

  if [ "$wizard" = yes ]; then
    [ -f "$shortcut" ] || fail "no Start-menu shortcut to the wizard"
  else
    [ ! -e "$shortcut" ] || fail "a Start-menu shortcut, with no wizard to start"
  fi
}

check_entry_gone() {
  ! run reg query "$key" >/dev/null 2>&1 || fail "the uninstaller left the registry entry"
  [ ! -e "$shortcut" ] || fail "the uninstaller left the Start-menu shortcut"
}

# /D= takes the rest of the command line, unquoted: the words go to Wine one by one, so
# that it joins them with spaces and quotes none.
read -r -a other_words <<< "$other_win"
run "$setup" /S "/D=${other_words[0]}" "${other_words[@]:1}" ||
  fail "the setup with /D=$other_win failed"
check_installed "$other_dir" "$other_win"

# Run again without /D=, the setup updates the installation where it is.
run "$setup" /S || fail "the setup failed when run again"
[ ! -e "$default_dir" ] || fail "the setup, run again, installed to $default_win, not to $other_win"
check_installed "$other_dir" "$other_win"

# Run in place (_?=), the uninstaller returns when done; it cannot remove itself.
run "$other_dir/uninstall.exe" /S "_?=${other_words[0]}" "${other_words[@]:1}" ||
  fail "the uninstaller (_?=) failed"
check_entry_gone
left=$(cd "$other_dir" && ls)
[ "$left" = uninstall.exe ] || fail "the uninstaller (_?=) left in $other_win: $left"
rm -rf "$WINEPREFIX/drive_c/vantor-installer-test"

run "$setup" /S || fail "the setup failed"
check_installed "$default_dir" "$default_win"
echo "addresses" > "$default_dir/my list.txt"
# Run as the entry says, the uninstaller copies itself to TEMP, starts the copy and returns
# at once; the copy removes uninstall.exe last.
run "$default_dir/uninstall.exe" /S || fail "the uninstaller failed"
for ((i = 0; i < 300; i++)); do
  [ -e "$default_dir/uninstall.exe" ] || break
  sleep 0.1
done
[ ! -e "$default_dir/uninstall.exe" ] || fail "the uninstaller did not finish in 30 s"
check_entry_gone
[ -d "$default_dir" ] || fail "the uninstaller removed $default_win with the user's file in it"
left=$(cd "$default_dir" && ls)
[ "$left" = "my list.txt" ] || fail "after uninstalling, $default_win holds: $left"
[ "$(cat "$default_dir/my list.txt")" = addresses ] || fail "the user's file was changed"
rm -rf "$default_dir"
echo "installer: installed to $other_win and to $default_win, updated, and uninstalled"
