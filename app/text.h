// Bounded text helpers for the program's fixed character buffers. A text that
// does not fit is refused, never cut and never written past the buffer. Each
// comes for the program's own Windows-1252 texts (char) and for names and
// paths (UTF-16, WCHAR).
#pragma once

#include <windows.h>
#include <cstddef>

// Copies src into dst when it fits (with its NUL); otherwise dst becomes empty
// and the result is false.
bool CopyText(char* dst, size_t cchDst, const char* src);
bool CopyText(WCHAR* dst, size_t cchDst, const WCHAR* src);
// Appends src to the text in dst when the whole result fits; otherwise dst is
// left as it was and the result is false.
bool AppendText(char* dst, size_t cchDst, const char* src);
bool AppendText(WCHAR* dst, size_t cchDst, const WCHAR* src);
// Whether text ends in suffix, case ignored as the user's locale ignores it.
bool EndsWithNoCase(const char* text, const char* suffix);
bool EndsWithNoCase(const WCHAR* text, const WCHAR* suffix);

// How many UTF-16 units of text to keep so that at most cchMax remain and a
// surrogate pair is never split.
size_t CutLength(const WCHAR* text, size_t cchMax);
// Copies at most cchMax units of src into dst (which holds cchMax + 1), cut
// where CutLength says.
void CopyCut(WCHAR* dst, const WCHAR* src, size_t cchMax);

// A text of the program's own (menu keys, settings keys and values) as the
// ANSI functions took it: converted with the system's ANSI code page, so that
// what the wide functions store is byte for byte what the ANSI ones stored.
// False, with dst empty, when it does not fit.
bool AnsiToWide(const char* src, WCHAR* dst, size_t cchDst);
bool WideToAnsi(const WCHAR* src, char* dst, size_t cchDst);

template <typename Char, size_t N>
bool CopyText(Char (&dst)[N], const Char* src) {
    return CopyText(dst, N, src);
}
template <typename Char, size_t N>
bool AppendText(Char (&dst)[N], const Char* src) {
    return AppendText(dst, N, src);
}
