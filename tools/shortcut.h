// Writing a shell link the way the shell itself does, for the tests and for
// mklink.exe, which makes the shortcuts of the end-to-end journeys and of the
// run command.
#pragma once

#include <string>

// A real shell link at linkPath, made with IShellLinkA; false when it could
// not be saved.
bool MakeShortcut(const std::string& linkPath, const std::string& target, const std::string& arguments = "",
                  const std::string& iconFile = "", int iconIndex = 0);
