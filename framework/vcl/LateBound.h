// Functions of libraries loaded when first needed rather than at start-up.
#pragma once

#include <windows.h>

// The function `name` of `library`, which stays loaded for the program's life; null when
// either cannot be found.
template <typename Function>
Function LateBound(const wchar_t* library, const char* name) {
  HMODULE module = LoadLibraryW(library);
  return module ? reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module, name)))
                : nullptr;
}
