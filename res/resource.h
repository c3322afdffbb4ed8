// Resource numbers shared by the resource script and the code.
#pragma once

#define IDI_OMBRIX 1800        // the program's icon (32x32 and 16x16, 16 colours)
#define IDI_RENAME 1801        // icon of the rename dialog
#define IDB_ABOUT 1900         // picture of the About dialog (96x120, 16 colours)
