// The About dialog.
#pragma once

#include <windows.h>

// The author's addresses behind the two link buttons.
extern const WCHAR* const AuthorMailAddress;  // "ombrix@example.org"
extern const WCHAR* const AuthorWebPage;      // "https://ombrix.example.org/"

// The link of the mail button: "mailto:", the address, "?subject=Ombrix+ v2.12".
void MakeMailLink(WCHAR* link /* MAX_PATH */);

void ShowAboutDialog();
