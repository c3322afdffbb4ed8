// Bounded text helpers for the program's fixed character buffers. A text that
// does not fit is refused, never cut and never written past the buffer.
#pragma once

#include <windows.h>
#include <cstddef>

// Copies src into dst when it fits (with its NUL); otherwise dst becomes empty
// and the result is false.
bool CopyText(char* dst, size_t cchDst, const char* src);
// Appends src to the text in dst when the whole result fits; otherwise dst is
// left as it was and the result is false.
bool AppendText(char* dst, size_t cchDst, const char* src);
// Whether text ends in suffix, compared with lstrcmpiA (case ignored).
bool EndsWithNoCase(const char* text, const char* suffix);

template <size_t N>
bool CopyText(char (&dst)[N], const char* src) {
    return CopyText(dst, N, src);
}
template <size_t N>
bool AppendText(char (&dst)[N], const char* src) {
    return AppendText(dst, N, src);
}
