// The window layer's text edge: the system keeps Windows-1251 bytes, the platform's wide
// calls take UTF-16.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

std::wstring ToWide(std::string_view ansi);
std::string FromWide(std::wstring_view wide);

// Paths are another matter: the program names files in the system's code page, as every
// narrow file call (and GetModuleFileNameA) does, so a wide file call converts through it.
// A name the code page cannot hold comes back with '?' and cannot be opened.
std::wstring PathToWide(std::string_view path);
std::string PathFromWide(std::wstring_view path);

// The window's text (WM_GETTEXT), as Windows-1251.
std::string WindowText(HWND window);
void SetWindowTextAnsi(HWND window, const std::string& text);
