// A real TrayWindow with its menu over a table of real shortcut files, for
// the tests of the tray interaction.
#pragma once

#include <gtest/gtest.h>
#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "support/testsupport.h"

struct ShortcutSpec {
    std::string fileName;     // in the test folder
    std::string displayName;  // what the shell would report
};

class TrayWindowTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Makes each file a real shortcut to marker.exe (its marker is
    // markerPath(i)) and puts the entries into CurrentShortcutTable in order.
    void UseShortcuts(const std::vector<ShortcutSpec>& specs);
    // The table from names alone, without files (for menu and caption tests).
    void UseNames(const std::vector<std::string>& names);
    // One entry for the file at path (which the test makes itself).
    void UseEntry(const std::string& displayName, const std::string& path);
    std::string markerPath(size_t index) const;
    std::string linkPath(size_t index) const;

    // Messages posted to TrayWindow so far, taken from the queue.
    std::vector<MSG> TakePosted();
    LRESULT Send(UINT message, WPARAM wParam = 0, LPARAM lParam = 0);

    std::unique_ptr<TempFolder> folder;
    std::vector<ShortcutSpec> shortcuts;
};

// Sets the thread's Shift key state for one scope.
class ShiftHeld {
public:
    ShiftHeld();
    ~ShiftHeld();
    ShiftHeld(const ShiftHeld&) = delete;
    ShiftHeld& operator=(const ShiftHeld&) = delete;

private:
    BYTE saved_[256];
};

std::string WindowText(HWND window);
std::string DialogItemText(HWND dialog, int id);
// The Windows form of the session's recycle bin folder of deleted files.
std::string TrashFilesFolder();
