#!/usr/bin/env bash
# Makes the 32-bit Wine prefix the Windows tests run in: Japanese code page,
# and Japanese UI fonts replaced by IPA fonts. Usage: setup-prefix.sh PREFIX
set -euo pipefail
export WINEPREFIX=$1 WINEARCH=win32 WINEDEBUG=-all LANG=ja_JP.UTF-8 LC_ALL=ja_JP.UTF-8
marker=$WINEPREFIX/.zelvorin-ready
[ -f "$marker" ] && exit 0
mkdir -p "$WINEPREFIX"
# No .NET or HTML engine: the tests need neither, and their installers would
# ask on a display.
WINEDLLOVERRIDES="mscoree,mshtml=" wineboot -i >/dev/null 2>&1
key='HKCU\Software\Wine\Fonts\Replacements'
for face in 'ＭＳ Ｐゴシック' 'ＭＳ ゴシック' 'MS UI Gothic' 'MS Shell Dlg'; do
    wine reg add "$key" /v "$face" /t REG_SZ /d IPAPGothic /f >/dev/null 2>&1
done
# A virtual desktop: Wine draws the window frames itself and needs no X
# window manager (without one, every hidden window waits for a timeout).
wine reg add 'HKCU\Software\Wine\Explorer' /v Desktop /t REG_SZ /d Default /f >/dev/null 2>&1
wine reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /t REG_SZ /d 1024x768 /f >/dev/null 2>&1
wineserver -w
touch "$marker"
echo "wine prefix ready: $WINEPREFIX"
