// Search-and-replace helpers and the question and file-name helpers. Texts are byte
// strings in the ANSI code page; positions are 1-based, 0 means no match.
#pragma once

#include <bitset>
#include <string>
#include <string_view>

#include "Classes.h"

using TCharSet = std::bitset<256>;

// Stateless: no fields and no virtual operations of its own.
class TStringCollection : public TObject {
 public:
  std::string UpperText(std::string_view text) const;
  int FindFrom(std::string_view pattern, std::string_view text, int start, bool ignoreCase) const;
  std::string TextAfter(std::string_view pattern, std::string_view text, int start) const;
  std::string ReplaceNext(std::string_view oldText, std::string_view newText, int& pos,
                          TCharSet delimiters, bool caseSensitive, bool wholeWord,
                          std::string_view source) const;
  std::string ReplaceEvery(std::string_view oldText, std::string_view newText, TCharSet delimiters,
                           bool caseSensitive, bool wholeWord, std::string_view source) const;
  std::string ReplaceText(std::string_view oldText, std::string_view newText,
                          std::string_view source) const;
};

// The one shared instance, created when the module initialises.
TStringCollection& StringCollection();

std::string NthWord(std::string_view text, int n);
std::string StripPunctuation(std::string_view text);
std::string ReverseText(std::string_view text);
std::string FileNameOnly(std::string_view path);
std::string FileBaseName(std::string_view path);
