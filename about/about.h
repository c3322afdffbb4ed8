// The About dialog.
#pragma once

void ShowAboutDialog();
