// The window layer's text edge: the system keeps Windows-1251 bytes, the platform's wide
// calls take UTF-16.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

std::wstring ToWide(std::string_view ansi);
std::string FromWide(std::wstring_view wide);

// The window's text (WM_GETTEXT), as Windows-1251.
std::string WindowText(HWND window);
void SetWindowTextAnsi(HWND window, const std::string& text);
