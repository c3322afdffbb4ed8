// Writing a shell link the way the shell itself does, for the tests and for
// mklink.exe, which makes the shortcuts of the end-to-end journeys and of the
// run command.
#pragma once

#include <string>

// A real shell link at linkPath, made with IShellLinkW; false when it could
// not be saved. Names and paths may hold any character.
bool MakeShortcut(const std::wstring& linkPath, const std::wstring& target, const std::wstring& arguments = L"",
                  const std::wstring& iconFile = L"", int iconIndex = 0);