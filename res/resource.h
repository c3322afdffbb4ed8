// Resource numbers shared by the resource script and the code.
#pragma once

#define IDI_OMBRIX 1800        // the program's icon (48, 32, 24, 20 and 16 pixels, 16 colours)
#define IDI_RENAME 1801        // icon of the rename dialog (48 and 32 pixels, 16 colours)
#define IDB_ABOUT 1900         // picture of the About dialog (96x120, 16 colours)

// Options dialog "OBPOptions"
#define IDC_SINGLE_CLICK 131   // "einfacher &Klick"
#define IDC_DOUBLE_CLICK 132   // "&Doppelklick"
#define IDC_FOLDER_PATH 133    // the program folder, read-only
#define IDC_MARK_LINKS 134     // "&Verknüpfungen kennzeichnen"
#define IDC_QUICK_INFO 135     // "&QuickInfo "Ombrix+" anzeigen"
#define IDC_OPEN_FOLDER 136    // "Ö&ffnen..."
#define IDC_HIDE_DESKTOP 137   // "Desktop-&Elemente ausblenden"
#define IDC_AUTOSTART 138      // "Au&tostart aktivieren"
#define IDC_COMPANION 139      // "als Er&weiterung integrieren"
#define IDC_SHELL_VERB 140     // "&Shellerweiterung aktivieren"
#define IDC_DESKTOP_MENU 141   // "Desktop-&Menü aktivieren"
#define IDC_SORT 142           // "Alpha&betisch sortieren"

// About dialog "OBPAbout"
#define IDC_ABOUT_MAIL 150     // "&E-Mail"
#define IDC_ABOUT_WEB 151      // "&Webseite"

// Commands of the tray popup "OBPMenu"; the item commands are re-targeted at
// entry i before each showing (base + i).
#define IDM_EXIT 100
#define IDM_ADD 110
#define IDM_ABOUT 120
#define IDM_OPTIONS 130
#define IDM_ITEM_OPEN 500
#define IDM_ITEM_DELETE 600
#define IDM_ITEM_RENAME 700
#define IDM_ITEM_PROPERTIES 800

// Controls of the rename dialog "OBPRename".
#define IDC_RENAME_FOLDER 133  // the current folder, read-only
#define IDC_RENAME_FROM 160    // the shortcut's display name, read-only
#define IDC_RENAME_TO 161      // the new name
#define IDC_RENAME_PICTURE 162 // the dialog's picture, IDI_RENAME

// Controls of the program's own new-shortcut dialog "OBPNewLink".
#define IDC_NEWLINK_TARGET 1001  // the target's path
#define IDC_NEWLINK_BROWSE 1002  // "&Durchsuchen..."
#define IDC_NEWLINK_NAME 1003    // the shortcut's name
