// Helpers for the unit tests: real folders, files and shortcuts, and recorders
// for the two platform calls a test cannot watch (message boxes, tray icons).
#pragma once

#include <windows.h>
#include <shellapi.h>

#include <functional>
#include <string>
#include <vector>

#include "app/platform.h"

// A fresh folder under the temporary folder, removed with its contents.
class TempFolder {
public:
    explicit TempFolder(const std::string& nameHint = "ombrix");
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::string& path() const { return path_; }
    // path() + "\\" + name
    std::string file(const std::string& name) const;

private:
    std::string path_;
};

void RemoveTree(const std::string& path);
bool FileExists(const std::string& path);
void WriteBytes(const std::string& path, const std::string& bytes);
std::string ReadBytes(const std::string& path);
// A real shell link made with IShellLinkA.
bool MakeShortcut(const std::string& linkPath, const std::string& target, const std::string& arguments = "",
                  const std::string& iconFile = "", int iconIndex = 0);
// Folder of the running test program (the build's tests folder).
std::string ModuleFolder();
// Folder of the build's helper programs (marker.exe, mklink.exe, ...).
std::string ToolsFolder();
// Dispatches the thread's messages for about ms milliseconds.
void PumpMessages(DWORD ms);
// Waits up to ms for a file to exist.
bool WaitForFile(const std::string& path, DWORD ms);

struct RecordedMessage {
    HWND owner;
    std::string text;
    std::string caption;
    UINT style;
};

// Replaces CallMessageBox while alive: records each box and answers it.
class MessageBoxRecorder {
public:
    explicit MessageBoxRecorder(int answer = IDOK);
    ~MessageBoxRecorder();
    MessageBoxRecorder(const MessageBoxRecorder&) = delete;
    MessageBoxRecorder& operator=(const MessageBoxRecorder&) = delete;

    std::vector<RecordedMessage> boxes;
    int answer;

private:
    MessageBoxFunction previous_;
};

struct RecordedNotifyIcon {
    DWORD message;  // NIM_ADD, NIM_MODIFY, NIM_DELETE
    UINT uID;
    UINT uFlags;
    UINT uCallbackMessage;
    HICON hIcon;
    std::string tip;
    DWORD cbSize;
    HWND hWnd;
};

// Replaces CallNotifyIcon while alive: records each call; calls whose index
// (from 0, counting all calls) is in failCalls, or every NIM_ADD when
// failAllAdds is set, report failure.
class NotifyIconRecorder {
public:
    NotifyIconRecorder();
    ~NotifyIconRecorder();
    NotifyIconRecorder(const NotifyIconRecorder&) = delete;
    NotifyIconRecorder& operator=(const NotifyIconRecorder&) = delete;

    size_t Count(DWORD message) const;

    std::vector<RecordedNotifyIcon> calls;
    std::vector<size_t> failCalls;
    bool failAllAdds = false;

private:
    NotifyIconFunction previous_;
};

// Drives a modal dialog of this thread from inside its own message loop: once
// a visible dialog window (class "#32770") of the thread exists, act runs once
// with it. act may set controls, send commands and end the dialog. Create the
// driver, then run the code that opens the dialog. A driver made inside act
// (for a dialog that the first one opens) passes the first one as except.
class DialogDriver {
public:
    explicit DialogDriver(std::function<void(HWND dialog)> act, DWORD timeoutMs = 15000, HWND except = nullptr);
    ~DialogDriver();
    DialogDriver(const DialogDriver&) = delete;
    DialogDriver& operator=(const DialogDriver&) = delete;

    bool acted() const { return acted_; }
    // Called by the driver's timer.
    void Tick();
    // The timer procedure's entry: ticks the live driver that owns timer.
    static void OnTimer(UINT_PTR timer);

private:
    std::function<void(HWND)> act_;
    DWORD start_;
    DWORD timeoutMs_;
    UINT_PTR timer_;
    bool acted_ = false;
    HWND except_;
    DialogDriver* outer_;
};

// The visible dialog window of this thread other than except, if any.
HWND FindThreadDialog(HWND except = nullptr);
