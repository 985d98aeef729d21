// The application's default title, derived from the executable's file name.
#pragma once

#include <string>
#include <string_view>

#include "Platform.h"

// fileName in the ANSI code page: the part after the last backslash, cut at its first ".",
// every character after the first lower-cased with the platform's ANSI mapping.
std::string DefaultTitle(std::string_view fileName, const PlatformServices& platform);
