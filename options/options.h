// The options dialog.
#pragma once

void ShowOptionsDialog();
