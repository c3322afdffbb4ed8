// The tray icons' pictures: made at the small-icon size of the taskbar's
// DPI, the marked one with the shell's shortcut arrow over its lower left
// corner, as the shell marks shortcuts in its own views.
#pragma once

#include <windows.h>

#include "app/handles.h"

// How the taskbar's DPI is read: that of the monitor it is on (the main one
// when there is no taskbar). Tests hand their own.
using DpiReader = UINT (*)();
extern DpiReader ReadTaskbarDpi;

// The width and height of the tray icons' pictures.
int TrayPictureSize();
// Reads the taskbar's DPI again; true when the pictures' size changed with it.
bool UpdateTrayPictureSize();

// SHGetFileInfoW for the tray: with SHGFI_ICON, info->hIcon holds the
// shell's picture of the file at the tray pictures' size (the caller's).
bool ReadShellInfo(const WCHAR* path, UINT flags, SHFILEINFOW* info);
// The picture with the shortcut arrow drawn over it; the picture stays the
// caller's. Where the arrow cannot be had or drawn, an unmarked copy.
HICON MarkWithLinkArrow(HICON picture);
// Icon number index (a negative number: a resource identifier) of file at
// the tray pictures' size; null when there is none.
HICON ExtractTrayPicture(const WCHAR* file, int index);
