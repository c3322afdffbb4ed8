#include "app/text.h"

#include <cstring>

bool CopyText(char* dst, size_t cchDst, const char* src) {
    if (cchDst == 0) return false;
    size_t len = strlen(src);
    if (len >= cchDst) {
        dst[0] = '\0';
        return false;
    }
    memcpy(dst, src, len + 1);
    return true;
}

bool AppendText(char* dst, size_t cchDst, const char* src) {
    size_t have = strnlen(dst, cchDst);
    size_t add = strlen(src);
    if (have >= cchDst || add >= cchDst - have) return false;
    memcpy(dst + have, src, add + 1);
    return true;
}

bool EndsWithNoCase(const char* text, const char* suffix) {
    size_t len = strlen(text);
    size_t cchSuffix = strlen(suffix);
    return len >= cchSuffix && lstrcmpiA(text + len - cchSuffix, suffix) == 0;
}
