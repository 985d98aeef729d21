// Portable framework classes: string lists (more join here as the windows need them).
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "SysUtils.h"

class TStringList {
 public:
  TStringList() = default;

  int Count() const { return static_cast<int>(items_.size()); }
  // Out-of-range indexes raise "List index out of bounds (%d)".
  const std::string& operator[](int index) const;
  std::string& operator[](int index);
  const std::string& Strings(int index) const { return (*this)[index]; }

  int Add(std::string text);
  void Clear() { items_.clear(); }

  // Every line followed by CR LF.
  std::string Text() const;
  // Splits at CR, LF or CR LF; a break at the very end adds no empty line.
  void SetText(std::string_view text);

  auto begin() const { return items_.begin(); }
  auto end() const { return items_.end(); }

 private:
  std::vector<std::string> items_;
};
