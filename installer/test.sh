#!/usr/bin/env bash
# Installs Tickwell silently under Wine in a lane's prefix, checks Excel's real-time data server
# is registered in both bitnesses, starts the installed program from its Start-menu entry, feeds it
# and reads it back with the installed tools, checks the refusals while it runs (the uninstaller run
# in place with _?= ends with exit code 2), closes it, uninstalls in place (exit code 0, only the
# uninstaller left for the next restart), installs again, uninstalls silently and checks that
# everything is gone:
#   installer/test.sh <tickwell-setup.exe> <win64-build-dir>
# Prints one line per check and, last, "install: N passed, M failed"; exits non-zero when a
# check failed. Every wait is bounded.
set -uo pipefail
[ $# -eq 2 ] || { echo "usage: installer/test.sh <tickwell-setup.exe> <win64-build-dir>" >&2; exit 2; }
root=$(cd "$(dirname "$0")/.." && pwd)
setup=$(cd "$(dirname "$1")" && pwd)/$(basename "$1")
[ -f "$setup" ] || { echo "install: no installer at $1" >&2; exit 2; }
exec "$root/script/lane-env" "$2" bash -s "$setup" <<'SESSION'
set -uo pipefail
setup=$1
dir="$WINEPREFIX/drive_c/Program Files/Tickwell"
menu="$WINEPREFIX/drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/Tickwell"
win_dir='C:\Program Files\Tickwell'
key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Tickwell'
files=(tickwell.exe tickwell-feed.exe tickwell-watch.exe tickwell-sheet.exe tickwell-help.html
       tickwell-window.png tickwell-sheet.png tickwell-refused.png TickwellFeed.dll x86/TickwellFeed.dll
       TickwellFeed.mq5 TickwellService.mq5 TickwellFeed.mqh tickwell_feed.h uninstall.exe TickwellRtd.dll x86/TickwellRtd.dll)
links=("Tickwell.lnk" "Tickwell help.lnk" "Uninstall Tickwell.lnk")
pass=0 fail=0
check() {  # description, then a command that succeeds when the check holds
  local what=$1; shift
  if "$@"; then pass=$((pass + 1)); echo "install: ok      $what"
  else fail=$((fail + 1)); echo "install: FAILED  $what"; fi
}
within() {  # seconds, command: polls the command until it succeeds or the time is up
  local end=$((SECONDS + $1)); shift
  until "$@"; do [ $SECONDS -ge $end ] && return 1; sleep 0.2; done
}
all_files() { local f; for f in "${files[@]}"; do [ -f "$dir/$f" ] || { echo "  missing $f"; return 1; }; done; }
all_links() { local f; for f in "${links[@]}"; do [ -f "$menu/$f" ] || { echo "  missing $f"; return 1; }; done; }
rtd_progid='HKCU\Software\Classes\Tickwell.Quotes'
rtd_user='HKCU\Software\Classes\CLSID\{AE47AD7E-69C6-458E-9AF6-02E85BE5369A}'
rtd_root='HKCR\CLSID\{AE47AD7E-69C6-458E-9AF6-02E85BE5369A}'
# The user's class is there, and COM's view of it for one bitness (64 or 32) names that
# bitness's installed DLL (Wine does not show per-user classes in HKCR: the DLL copies it there).
rtd_registered() {
  local dll="$win_dir\TickwellRtd.dll"
  [ "$1" = 32 ] && dll="$win_dir\x86\TickwellRtd.dll"
  wine reg query "$rtd_progid\CLSID" >/dev/null 2>&1 &&
    wine reg query "$rtd_user\InprocServer32" /reg:"$1" >/dev/null 2>&1 &&
    wine reg query "$rtd_root\InprocServer32" /reg:"$1" 2>/dev/null | tr -d '\r' | grep -qiF "$dll"
}
rtd_gone() {
  local view
  for view in 32 64; do
    for k in "$rtd_progid" 'HKCR\Tickwell.Quotes' "$rtd_user" "$rtd_root"; do
      wine reg query "$k" /reg:$view >/dev/null 2>&1 && { echo "  left $k ($view-bit)"; return 1; }
    done
  done
  return 0
}
key_present() { wine reg query "$key" /reg:64 >/dev/null 2>&1; }
registered() {
  wine reg query "$key" /v UninstallString /reg:64 2>/dev/null | grep -qF "\"$win_dir\\uninstall.exe\""
}
link_target() { strings "$menu/Tickwell.lnk" | grep -qxF "$win_dir\\tickwell.exe"; }
main_window() { xwininfo -root -tree 2>/dev/null | awk '/"Tickwell": \("tickwell.exe"/ {print $1; exit}'; }
# A process of this prefix whose command line matches (other prefixes may run the same names).
running() {
  local pid
  for pid in $(pgrep -f "$1"); do
    tr '\0' '\n' <"/proc/$pid/environ" 2>/dev/null | grep -qxF "WINEPREFIX=$WINEPREFIX" && return 0
  done
  return 1
}
installed_running() { running '^C:.Program Files.Tickwell.tickwell.exe$'; }
# The uninstaller runs from a copy of itself in the temporary folder and returns at once.
uninstalling() { running '~nsu[^ ]*[.]tmp.(Un|Au_)[.]exe '; }
uninstall() {
  timeout 60 wine "$dir/uninstall.exe" /S >/dev/null 2>&1 || return 1
  within 60 eval '! uninstalling'
}
started() { [ -n "$(main_window)" ] && installed_running; }
closed() { [ -z "$(main_window)" ] && ! installed_running; }
fed() { wine "$dir/tickwell-feed.exe" --timeout 10000 "EURUSD;1.08501;1.08503;1.08502;1700000000;15" >/dev/null 2>&1; }
# A symbol's items exist from its first line after DDE was switched on: each try feeds one.
read_back() { fed && wine "$dir/tickwell-watch.exe" "MT5|EURUSD!BID" -t 3 2>/dev/null | tr -d '\r' | grep -q ' EURUSD BID 1.08501$'; }
install_refused() {
  timeout 120 wine "$setup" /S >/dev/null 2>&1
  [ $? -eq 2 ] && all_files >/dev/null
}
uninstall_refused() { uninstall && all_files >/dev/null && registered; }
# Run in place with _?=, the uninstaller is waited for and its exit code is its own. The folder
# after _?= is the rest of the command line, unquoted, which only a command line written whole
# gives (wine would quote an argument with spaces): a batch file, as a user's script would.
uninstall_in_place() {  # the exit code it must end with
  printf '"%s\\uninstall.exe" /S _?=%s\r\nexit /b %%errorlevel%%\r\n' "$win_dir" "$win_dir" \
    >"$WINEPREFIX/drive_c/tickwell-uninstall.bat"
  timeout 120 wine cmd /c 'C:\tickwell-uninstall.bat' >/dev/null 2>&1
  local rc=$?
  [ $rc -eq "$1" ] || { echo "  exit code $rc"; return 1; }
}
waited_refused() { uninstall_in_place 2 && all_files && registered; }
session_key='HKLM\System\CurrentControlSet\Control\Session Manager'
# What Windows removes when it next starts: the uninstaller itself and its folder.
left_for_restart() {
  local f; for f in "${files[@]}"; do
    [ "$f" = uninstall.exe ] || [ ! -e "$dir/$f" ] || { echo "  left $f"; return 1; }
  done
  wine reg query "$session_key" /v PendingFileRenameOperations /reg:64 2>/dev/null | tr -d '\r' |
    grep -qiF 'Program Files\Tickwell\uninstall.exe'
}
# Stands for that restart.
restarted() {
  wine reg delete "$session_key" /v PendingFileRenameOperations /reg:64 /f >/dev/null 2>&1
  rm -rf "$dir"
}
gone() { [ ! -e "$dir" ] && [ ! -e "$menu" ] && ! key_present; }

# Whatever an interrupted earlier run left behind.
rm -rf "$dir" "$menu"
wine reg delete "$key" /reg:64 /f >/dev/null 2>&1
for view in 32 64; do
  for k in "$rtd_progid" 'HKCR\Tickwell.Quotes' "$rtd_user" "$rtd_root"; do
    wine reg delete "$k" /reg:$view /f >/dev/null 2>&1
  done
done

check "the silent installer ends with 0" timeout 120 wine "$setup" /S
check "every file is in Program Files\\Tickwell" all_files
check "the Start-menu entries are there" all_links
check "the Start-menu entry points at the installed tickwell.exe" link_target
check "Add/Remove Programs holds the uninstaller" registered
check "Tickwell.Quotes is registered for the user with the 64-bit DLL" rtd_registered 64
check "Tickwell.Quotes is registered for the user with the 32-bit DLL" rtd_registered 32

# A first start: no settings left by an earlier run of this prefix (a remembered DDE switch).
rm -f "$WINEPREFIX"/drive_c/users/*/AppData/Roaming/Tickwell/tickwell.ini
wine start /unix "$menu/Tickwell.lnk" >/dev/null 2>&1
check "started from the Start-menu entry, the installed Tickwell shows its window" within 30 started
check "the installed tickwell-feed hands it a quote" fed
xdotool mousemove --window "$(main_window)" 45 44 click 1 2>/dev/null
check "with DDE switched on, the installed tickwell-watch reads the quote back (MT5|EURUSD!BID)" within 30 read_back
check "the installer refuses while Tickwell runs (exit code 2)" install_refused
check "the uninstaller refuses while Tickwell runs, and removes nothing" uninstall_refused
check "waited for (_?=), the uninstaller refuses while Tickwell runs with exit code 2, and removes nothing" waited_refused
w=$(main_window)
[ -n "$w" ] && xdotool windowfocus --sync "$w" key --clearmodifiers alt+F4 2>/dev/null
check "Tickwell closes" within 20 closed

check "waited for (_?=), the silent uninstaller ends with 0" uninstall_in_place 0
check "it removed all but itself, which goes when Windows next starts" left_for_restart
check "it removed the Start-menu entries and the Add/Remove Programs entry" \
  eval '[ ! -e "$menu" ] && ! key_present'
check "it unregistered Tickwell.Quotes in both bitnesses" rtd_gone
restarted

check "installed again" timeout 120 wine "$setup" /S
check "the silent uninstaller runs to its end" uninstall
within 30 gone
check "the uninstaller removed the program's folder" test ! -e "$dir"
check "the uninstaller removed the Start-menu entries" test ! -e "$menu"
check "the uninstaller unregistered Tickwell.Quotes in both bitnesses" rtd_gone
check "the uninstaller removed the Add/Remove Programs entry" bash -c "! wine reg query '$key' /reg:64 >/dev/null 2>&1"

echo "install: $pass passed, $fail failed"
[ "$fail" -eq 0 ]
SESSION
