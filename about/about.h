// The About dialog.
#pragma once

// The author's addresses behind the two link buttons.
extern const char* const AuthorMailAddress;  // "ombrix@example.org"
extern const char* const AuthorWebPage;      // "https://ombrix.example.org/"

// The link of the mail button: "mailto:", the address, "?subject=Ombrix+ v2.12".
void MakeMailLink(char* link /* MAX_PATH */);

void ShowAboutDialog();
