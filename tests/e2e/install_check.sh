#!/bin/bash
# The release as a user installs it, in a Wine environment of its own: a silent
# install, the program started from its Start menu entry, an install over it
# that keeps what the user changed, the uninstall keeping and then removing the
# user's data, and the portable zip run from a folder with a Chinese name.
#   install_check.sh i686|x86_64 BUILD_DIR
set -uo pipefail
unset WINE_ENV_DIR WINE_ENV_STATE WINEPREFIX
tools=$(cd "$(dirname "$0")/../../tools" && pwd)
source "$tools/wine-env" start --xvfb || exit 1
trap 'source "$tools/wine-env" stop' EXIT
mapfile -t release < <("$tools/make-release" "$1" "$2" "$WINE_ENV_DIR/release") && ((${#release[@]} == 2)) ||
    { echo "FAIL: no release made"; exit 1; }
set -- "${release[@]}"
fails=0
check() { if eval "$2"; then echo "ok: $1"; else echo "FAIL: $1"; fails=$((fails + 1)); fi; }
waitfor() { for _ in $(seq 100); do eval "$1" && return 0; sleep 0.2; done; return 1; }
home="$WINEPREFIX/drive_c/users/$(id -un)/AppData"
app="$home/Local/Programs/晴窗画匣" link="$home/Roaming/Microsoft/Windows/Start Menu/Programs/晴窗画匣.lnk"
key='HKCU\Software\VB and VBA Program Settings\ravek\setting'
uninstall='HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\QingChuang'
run='HKCU\Software\Microsoft\Windows\CurrentVersion\Run'
value() { wine reg query "$1" /v "$2" 2>/dev/null | tr -d '\r' | sed -nE "s/^ +$2 +REG_[A-Z]+ +//p"; }
# The uninstaller runs from a copy of itself and returns at once: done once its files are gone.
remove() { wine "$app/uninstall.exe" /S "$@"; waitfor '[[ ! -e "$app/uninstall.exe" ]]'; }

wine "$1" /S
check "files in place" '[[ -f "$app/qingchuang.exe" && -f "$app/help.chm" && -f "$app/uninstall.exe" && -f "$link" ]]'
check "installed programs entry" '[[ $(value "$uninstall" DisplayVersion) == 1.82 && $(value "$uninstall" QuietUninstallString) == *'"'"'uninstall.exe" /S'"'"' ]]'
check "starts with Windows" '[[ $(value "$run" QingChuang) == *qingchuang.exe\" ]]'
# The link holds its target's path in the code page, the Chinese folder name lost.
check "the Start menu entry runs the installed program" \
    'strings "$link" | grep -qE "AppData.Local.Programs.[^\\\\]+.qingchuang.exe$"'
# A list server here that refuses at once: the built-in source is out on the network.
local_list() { wine reg add "$key" /v listhost /d 127.0.0.1:1 /f >/dev/null 2>&1; }
local_list
wine "$app/qingchuang.exe" &
running() { pgrep -f 'Programs.晴窗画匣.qingchuang.exe' >/dev/null; }
check "it starts" 'waitfor "[[ -d \"$app/Wallpaper\" ]]" && running'

# Over a running copy: it is closed, and what the user has stays.
wine reg add "$key" /v chgtime /d 9 /f >/dev/null 2>&1
echo picture >"$app/Wallpaper/Tirnaco3.jpg" && echo photo >"$app/Wallpaper/mine.jpg"
wine "$1" /S
check "the running copy closed by the second install" '! running'
check "setting and picture kept" '[[ $(value "$key" chgtime) == 9 && -f "$app/Wallpaper/Tirnaco3.jpg" ]]'

remove
check "program, entry, shortcut and start gone" '[[ ! -e "$app/qingchuang.exe" && ! -e "$app/help.chm" && ! -e "$link" && -z $(value "$run" QingChuang) && -z $(value "$uninstall" DisplayVersion) ]]'
check "silently, pictures and settings kept" '[[ -f "$app/Wallpaper/Tirnaco3.jpg" && $(value "$key" chgtime) == 9 ]]'
wine "$1" /S && remove /PURGE
check "purged: the program's pictures and settings gone, the user's photo kept" '[[ ! -e "$app/Wallpaper/Tirnaco3.jpg" && -f "$app/Wallpaper/mine.jpg" && -z $(value "$key" chgtime) ]]'

dir="$WINE_ENV_DIR/便携 画匣"
mkdir -p "$dir" && python3 -m zipfile -e "$2" "$dir" && local_list
wine "$dir/qingchuang.exe" &
check "the zip's program runs from a Chinese folder" 'waitfor "[[ -d \"$dir/Wallpaper\" ]]"'
((fails == 0)) && echo PASS
