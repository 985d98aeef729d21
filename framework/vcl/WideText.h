// The window layer's text edge: the system keeps Windows-1251 bytes, the platform's wide
// calls take UTF-16.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

#include "SysUtils.h"

std::wstring ToWide(std::string_view ansi);
std::string FromWide(std::wstring_view wide);

// An error's text for the error box: the text from Windows-1251, the path it names from the
// system's code page (PathToWide).
std::wstring ErrorToWide(const TErrorText& error);

// The window's text (WM_GETTEXT), as Windows-1251.
std::string WindowText(HWND window);
void SetWindowTextAnsi(HWND window, const std::string& text);
