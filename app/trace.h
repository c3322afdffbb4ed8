// Start-up stamps for the breakdown in docs/performance.md. Only a build
// configured with -DOMBRIX_TRACE=ON records them; in every other build a
// mark is an empty inline call.
#pragma once

#ifdef OMBRIX_TRACE
// Notes the time with a label (a literal) and an optional number; the stamps
// are written to the executable's path + ".trace" when the process ends.
void TraceMark(const char* label, int number = -1);
#else
inline void TraceMark(const char*, int = -1) {}
#endif
