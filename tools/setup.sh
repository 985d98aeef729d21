#!/usr/bin/env bash
# Installs what the build and the tests need on Debian; quiet when all is there.
set -euo pipefail
pkgs=(cmake make g++ googletest libgtest-dev libbenchmark-dev
      g++-mingw-w64-x86-64-posix mingw-w64-x86-64-dev
      clang libclang-rt-dev
      wine wine64 xvfb x11-utils xdotool imagemagick locales clang-format)
missing=()
for p in "${pkgs[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi
# Wine takes its ANSI code page from the locale: 1251 needs a Russian one; the tests also
# run the program under an English one (code page 1252).
gen=
for loc in ru_RU en_US; do
  if ! locale -a 2>/dev/null | grep -qi "^$loc\.utf-\?8$"; then
    sed -i "s/^# *\($loc.UTF-8 UTF-8\)/\1/" /etc/locale.gen
    grep -q "^$loc.UTF-8 UTF-8" /etc/locale.gen || echo "$loc.UTF-8 UTF-8" >> /etc/locale.gen
    gen=1
  fi
done
# Builds every enabled locale at once.
[ -z "$gen" ] || locale-gen >/dev/null
