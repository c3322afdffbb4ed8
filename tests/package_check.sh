#!/usr/bin/env bash
# The release package packed from the build the suite tested: the four files and
# no other, the very ombrix.exe the tests ran, texts Notepad reads (a byte order
# mark, CRLF), a SHA256SUMS that matches, and every interface word the guide
# quotes in **bold** among the texts the program shows.
set -euo pipefail
: "${OMBRIX_BUILD:?}"
root=$(cd "$(dirname "$0")/.." && pwd)
out=$OMBRIX_BUILD/package-check
fail() { echo "FAIL: $*" >&2; exit 1; }
rm -rf "$out"
zip=$(bash "$root/scripts/package.sh" pack "$OMBRIX_BUILD" "$out")

files=$(unzip -Z1 "$zip")
[ "$files" = "$(printf 'Ombrix/%s\n' AENDERUNGEN.txt LIESMICH.txt LIZENZ.txt ombrix.exe)" ] || fail "the zip holds: $files"
unzip -p "$zip" Ombrix/ombrix.exe | cmp -s - "$OMBRIX_BUILD/ombrix.exe" || fail "ombrix.exe in the zip is not the tested one"
for text in AENDERUNGEN LIESMICH LIZENZ; do
  unzip -p "$zip" "Ombrix/$text.txt" >"$out/$text.txt"
  [ "$(head -c 3 "$out/$text.txt" | od -An -tx1)" = " ef bb bf" ] || fail "$text.txt has no byte order mark"
  [ "$(grep -c $'\r$' "$out/$text.txt")" = "$(wc -l <"$out/$text.txt")" ] || fail "$text.txt has lines without CRLF"
done
(cd "$out" && sha256sum --check --quiet SHA256SUMS) || fail "SHA256SUMS does not match $(basename "$zip")"

# What the program shows: its resources and wide strings (UTF-16), its own
# Windows-1252 strings, without the access-key marks.
{ iconv -f UTF-16LE -t UTF-8 -c "$OMBRIX_BUILD/ombrix.exe" || true
  iconv -f CP1252 -t UTF-8 -c "$OMBRIX_BUILD/ombrix.exe" || true; } 2>/dev/null | tr -d '&' | tr '\0' '\n' >"$out/shown.txt"
missing=$(grep -o '\*\*[^*]*\*\*' "$root/docs/anleitung.md" | sed 's/\*\*//g' | sort -u |
  while IFS= read -r word; do grep -qF -- "$word" "$out/shown.txt" || echo "\"$word\""; done)
[ -z "$missing" ] || fail "the guide quotes words the program does not show: ${missing//$'\n'/, }"
echo "package $(basename "$zip") checked"
