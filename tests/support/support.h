// What the unit tests share: real folders, files and shortcuts, stand-ins for
// the two calls a test cannot watch (message boxes, notification-area icons),
// a driver for dialogs and menus, registry helpers, and a fixture that gives
// each test the program's state over a fresh folder of its own.
#pragma once

#include <gtest/gtest.h>
#include <windows.h>
#include <shellapi.h>

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "app/platform.h"
#include "bench/object_counts.h"
#include "tools/shortcut.h"

using Names = std::vector<std::string>;
// What the user reads (captions, labels, tooltips, messages), compared as the
// UTF-16 the program shows: no code page may make two names alike.
using Texts = std::vector<std::wstring>;

// Paths of the tests are in the ANSI code page, as the bench's Windows-1252;
// the program holds names and paths as UTF-16.
std::wstring Wide(const std::string& text);

// What holds a resource or a global seam is never copied.
struct NoCopy {
    NoCopy() = default;
    NoCopy(const NoCopy&) = delete;
    NoCopy& operator=(const NoCopy&) = delete;
};

// A fresh folder under the temporary folder, removed with its contents.
class TempFolder : NoCopy {
public:
    explicit TempFolder(const std::string& nameHint = "ombrix");
    ~TempFolder();
    const std::string& path() const { return path_; }
    std::string file(const std::string& name) const { return path_ + "\\" + name; }

private:
    std::string path_;
};

// MakeShortcut from paths in the ANSI code page.
bool MakeShortcut(const std::string& linkPath, const std::string& target, const std::string& arguments = "",
                  const std::string& iconFile = "", int iconIndex = 0);
void EmptyFolder(const std::string& path);
bool FileExists(const std::string& path);
bool FileExists(const std::wstring& path);
void WriteBytes(const std::string& path, const std::string& bytes);
void WriteBytes(const std::wstring& path, const std::string& bytes);
std::string ReadBytes(const std::string& path);
std::string ReadBytes(const std::wstring& path);
// The names in a folder (no "." and ".."), sorted.
Names FolderNames(const std::string& folder);
// The system file with many pictures, to give shortcuts pictures of their own.
const std::string Shell32 = "C:\\windows\\system32\\shell32.dll";
// The build's helper programs (marker.exe, corvane_standin.exe, ...).
std::string ToolsFolder();
// Runs this thread's messages until done() holds or ms have passed.
bool PumpUntil(const std::function<bool()>& done, DWORD ms = 15000);
// Runs the messages waiting in this thread's queue, then waits until every
// marker.exe this process started has ended: a count of starts taken after it
// holds every start the commands so far have made.
void FinishStarts();

// What the user sees, pixel by pixel: a width x height picture that draw()
// paints over a background no icon uses.
using Picture = std::vector<DWORD>;
Picture Drawn(int width, int height, const std::function<void(HDC)>& draw);
// An icon drawn at the display's small icon size.
Picture PictureOf(HICON icon);
// The shell's small picture of a file (of a shortcut: without the arrow, as
// the shell hands it out since Windows 2000), and the small picture at index
// of an icon file as it is.
Picture ShellPicture(const std::string& path);
Picture PlainPicture(const std::string& iconFile, int index);
// The width of an icon's picture; 0 when it cannot be read.
LONG IconWidth(HICON icon);
// Whether `marked` shows `picture` with the shortcut arrow over it: alike
// outside the picture's lower left quarter, where the arrow goes, not alike in it.
::testing::AssertionResult ArrowOver(const Picture& marked, const Picture& picture);

// Answers every message box while alive, and keeps what was shown.
struct MessageBoxRecorder : NoCopy {
    explicit MessageBoxRecorder(int answer = IDOK);
    ~MessageBoxRecorder();
    Texts texts;
    int answer;
    MessageBoxFunction previous;
};

// The notification area as the program's calls leave it: one icon per
// identifier, refusing what the shell refuses (adding an identifier twice,
// changing or deleting one that is not there).
struct ShownIcon {
    std::wstring tip;
    HICON icon;       // a copy, as the shell keeps one: the program may destroy its own
    std::shared_ptr<std::remove_pointer_t<HICON>> owned;
    bool keyboard;  // NOTIFYICON_VERSION was asked for
};
struct TrayRecorder : NoCopy {
    TrayRecorder();
    ~TrayRecorder();
    // The tooltips in the order the shell shows the icons (each new one behind
    // the others); a foreign window or callback message shows as "?".
    Texts Tips() const;
    // The icon at this place in that order.
    const ShownIcon& At(size_t position) const;
    std::map<UINT, ShownIcon> shown;
    std::vector<UINT> order;
    UINT focused = 0;  // the icon NIM_SETFOCUS gave the keyboard focus back to
    // Calls for which this answers true fail, as when the taskbar refuses.
    std::function<bool(DWORD message, UINT id)> refuse;
    NotifyIconFunction previous;
};

// Acts on the next dialog (class "#32770") this thread shows, from inside
// that dialog's own message loop.
struct DialogDriver : NoCopy {
    explicit DialogDriver(std::function<void(HWND dialog)> act);
    ~DialogDriver();
    void Tick();
    bool acted = false;
    std::function<void(HWND)> act;
    UINT_PTR timer;
};
// Presses a dialog button the way a click does.
void Press(HWND dialog, int id);
// The text of a dialog's control, as shown.
std::wstring ItemText(HWND dialog, int id);

// Registry texts; "(none)" when the value is missing.
std::string RegText(HKEY root, const std::string& key, const char* name);
void WriteRegText(HKEY root, const std::string& key, const char* name, const std::string& text);
// Default values of keys under HKEY_CLASSES_ROOT that a test rewrites, put back
// when this goes (a key that was not there goes again).
struct ClassesKept : NoCopy {
    explicit ClassesKept(Names keys);
    ~ClassesKept();
    const Names keys;
    Names saved;
};


// The running program over a fresh ProgramFolder: default settings, the hidden
// window with its menu, an empty table, message boxes answered with OK, icons
// and popups recorded; all undone afterwards.
class ProgramTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    // name.lnk (or another file name) in the folder, a shortcut to marker.exe
    // that leaves a line in Marker(name) each time it starts; it shows picture
    // `picture` of Shell32, or with none the target's own.
    void AddShortcut(const std::string& name, const std::string& fileName = "", int picture = -1);
    std::string Marker(const std::string& name) const { return markers.file(name + ".txt"); }
    int Runs(const std::string& name) const;
    // The identifier of the icon of name.lnk in the folder.
    UINT IconId(const std::string& name) const;
    // Whether the program asked to be closed (WM_CLOSE posted to its window).
    bool ClosePosted();
    std::string Link(const std::string& name) const { return folder.file(name + ".lnk"); }
    TempFolder folder{"Leiste"};
    TempFolder markers{"marker"};
    MessageBoxRecorder boxes;
    TrayRecorder tray;
    // Every popup that opened, closed again at once: its caption, and the entry all four commands
    // of its shortcut submenu are for (-1 when they differ).
    using Popup = std::pair<std::wstring, int>;
    std::vector<Popup> popups;
    UINT_PTR popupTimer = 0;
};
