#!/usr/bin/env bash
# Runs a Windows program under Wine: private prefix, code page 1251 (QV_LANG names another
# locale, e.g. en_US.UTF-8 for code page 1252), no debug chatter. QV_DPI sets the DPI of a
# prefix when it is made (Wine reads LogPixels at start-up).
# Used as the cross build's CMAKE_CROSSCOMPILING_EMULATOR and by hand.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
export WINEPREFIX=${QV_WINEPREFIX:-$root/build/wineprefix}
export WINEDEBUG=-all
export LANG=${QV_LANG:-ru_RU.UTF-8} LC_ALL=${QV_LANG:-ru_RU.UTF-8}
export WINEDLLOVERRIDES="mscoree,mshtml="
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  mkdir -p "$WINEPREFIX"
  # Two tests may start at once: only one of them creates the prefix.
  (
    flock 9
    [ -f "$WINEPREFIX/system.reg" ] || {
      wineboot -i >/dev/null 2>&1
      if [ -n "${QV_DPI:-}" ]; then
        wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$QV_DPI" /f \
          >/dev/null 2>&1
      fi
      wineserver -w
    }
  ) 9>"$WINEPREFIX.lock"
fi
exec wine "$@"
