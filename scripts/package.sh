#!/usr/bin/env bash
# The release command: installs what is missing, builds ombrix.exe (release
# configuration, without the tests) and writes dist/Ombrix-<version>-win-x64.zip
# and dist/SHA256SUMS. The same commit gives the same bytes on any day, in any
# folder. "package.sh pack BUILD_DIR OUT_DIR" packs the ombrix.exe of an existing
# build, as the suite does with the one it tested.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)

# notepad_text FILE: the text as Notepad reads it everywhere: UTF-8 with a byte
# order mark, CRLF line ends; without Markdown's marks for the interface's words
# (**) and for names (`).
notepad_text() { printf '\xef\xbb\xbf'; sed 's/\*\*//g; s/`//g; s/$/\r/' "$1"; }

pack() {
  local build=$1 out version name stage
  out=$(mkdir -p "$2" && cd "$2" && pwd)
  version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
  name=Ombrix-$version-win-x64.zip
  stage=$(mktemp -d) && mkdir "$stage/Ombrix"
  cp "$build/ombrix.exe" "$stage/Ombrix/ombrix.exe"
  notepad_text "$root/docs/anleitung.md" >"$stage/Ombrix/LIESMICH.txt"
  notepad_text "$root/LICENSE" >"$stage/Ombrix/LIZENZ.txt"
  notepad_text "$root/docs/aenderungen.md" >"$stage/Ombrix/AENDERUNGEN.txt"
  # Fixed permissions, and every entry dated at the commit (a zip stores local
  # time: UTC here); no extra attributes, no folder entries, a fixed order.
  local epoch=${SOURCE_DATE_EPOCH:-$(git -C "$root" log -1 --format=%ct 2>/dev/null || echo 315532800)}
  chmod 0644 "$stage"/Ombrix/*
  touch -d "@$epoch" "$stage"/Ombrix/*
  rm -f "$out/$name"
  (cd "$stage" && TZ=UTC zip -q -X -D -9 "$out/$name" \
    Ombrix/AENDERUNGEN.txt Ombrix/LIESMICH.txt Ombrix/LIZENZ.txt Ombrix/ombrix.exe)
  (cd "$out" && sha256sum "$name" >SHA256SUMS)
  rm -rf "$stage"
  echo "$out/$name"
}

if [ "${1:-}" = pack ]; then
  pack "${2:?build folder}" "${3:?output folder}"
  exit
fi
build=${PACKAGE_BUILD_DIR:-$root/build-release}
"$root/scripts/setup.sh" package
cmake -S "$root" -B "$build" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64.cmake" -DCMAKE_BUILD_TYPE=Release \
  -DOMBRIX_TESTS=OFF >/dev/null
cmake --build "$build" -j "$(nproc)" --target ombrix
pack "$build" "$root/dist"
