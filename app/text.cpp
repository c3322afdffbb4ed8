#include "app/text.h"

#include <cstring>
#include <cwchar>

namespace {

template <typename Char>
size_t Length(const Char* text) {
    size_t len = 0;
    while (text[len]) ++len;
    return len;
}

template <typename Char>
bool CopyBounded(Char* dst, size_t cchDst, const Char* src) {
    if (cchDst == 0) return false;
    size_t len = Length(src);
    if (len >= cchDst) {
        dst[0] = 0;
        return false;
    }
    memcpy(dst, src, (len + 1) * sizeof(Char));
    return true;
}

template <typename Char>
bool AppendBounded(Char* dst, size_t cchDst, const Char* src) {
    size_t have = 0;
    while (have < cchDst && dst[have]) ++have;
    size_t add = Length(src);
    if (have >= cchDst || add >= cchDst - have) return false;
    memcpy(dst + have, src, (add + 1) * sizeof(Char));
    return true;
}

}  // namespace

bool CopyText(char* dst, size_t cchDst, const char* src) { return CopyBounded(dst, cchDst, src); }
bool CopyText(WCHAR* dst, size_t cchDst, const WCHAR* src) { return CopyBounded(dst, cchDst, src); }
bool AppendText(char* dst, size_t cchDst, const char* src) { return AppendBounded(dst, cchDst, src); }
bool AppendText(WCHAR* dst, size_t cchDst, const WCHAR* src) { return AppendBounded(dst, cchDst, src); }

bool EndsWithNoCase(const char* text, const char* suffix) {
    size_t len = strlen(text);
    size_t cchSuffix = strlen(suffix);
    return len >= cchSuffix && lstrcmpiA(text + len - cchSuffix, suffix) == 0;
}

bool EndsWithNoCase(const WCHAR* text, const WCHAR* suffix) {
    size_t len = Length(text);
    size_t cchSuffix = Length(suffix);
    return len >= cchSuffix && lstrcmpiW(text + len - cchSuffix, suffix) == 0;
}

size_t CutLength(const WCHAR* text, size_t cchMax) {
    size_t len = 0;
    while (len < cchMax && text[len]) ++len;
    if (len == cchMax && text[len] && IS_HIGH_SURROGATE(text[len - 1])) --len;
    return len;
}

void CopyCut(WCHAR* dst, const WCHAR* src, size_t cchMax) {
    size_t len = CutLength(src, cchMax);
    memcpy(dst, src, len * sizeof(WCHAR));
    dst[len] = L'\0';
}

bool AnsiToWide(const char* src, WCHAR* dst, size_t cchDst) {
    if (MultiByteToWideChar(CP_ACP, 0, src, -1, dst, static_cast<int>(cchDst)) != 0) return true;
    if (cchDst) dst[0] = L'\0';
    return false;
}

bool WideToAnsi(const WCHAR* src, char* dst, size_t cchDst) {
    if (WideCharToMultiByte(CP_ACP, 0, src, -1, dst, static_cast<int>(cchDst), nullptr, nullptr) != 0) return true;
    if (cchDst) dst[0] = '\0';
    return false;
}
