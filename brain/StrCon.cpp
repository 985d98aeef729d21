#include "StrCon.h"

#include "Platform.h"

namespace {

// 1-based position of the first occurrence, 0 if none.
int PositionOf(std::string_view pattern, std::string_view text) {
  auto found = text.find(pattern);
  return found == std::string_view::npos ? 0 : static_cast<int>(found) + 1;
}

}  // namespace

std::string TStringCollection::UpperText(std::string_view text) const {
  return AnsiUpperCase(std::string(text));
}

int TStringCollection::FindFrom(std::string_view pattern, std::string_view text, int start,
                                bool ignoreCase) const {
  if (pattern.empty()) return 0;
  size_t offset = start > 0 ? static_cast<size_t>(start) - 1 : 0;
  if (offset > text.size()) return 0;
  std::string_view part = text.substr(offset);
  int hit;
  if (ignoreCase)
    hit = PositionOf(UpperText(pattern), UpperText(part));
  else
    hit = PositionOf(pattern, part);
  return hit == 0 ? 0 : hit + static_cast<int>(offset);
}

std::string TStringCollection::TextAfter(std::string_view pattern, std::string_view text,
                                         int start) const {
  int pos = FindFrom(pattern, text, start, false);
  if (pos == 0) return {};
  return std::string(text.substr(static_cast<size_t>(pos) - 1 + pattern.size()));
}

std::string TStringCollection::ReplaceNext(std::string_view oldText, std::string_view newText,
                                           int& pos, TCharSet delimiters, bool caseSensitive,
                                           bool wholeWord, std::string_view source) const {
  if (pos == 0) pos = 1;
  std::string upperOld, upperSource;
  std::string_view pattern = oldText, searched = source;
  if (!caseSensitive) {
    upperOld = UpperText(oldText);
    upperSource = UpperText(source);
    pattern = upperOld;
    searched = upperSource;
  }
  auto isDelimiter = [&](size_t index) {
    return delimiters.test(static_cast<unsigned char>(searched[index]));
  };
  for (;;) {
    pos = FindFrom(pattern, searched, pos, false);
    if (pos == 0) break;
    if (!wholeWord || delimiters.none()) break;
    size_t first = static_cast<size_t>(pos) - 1;
    size_t after = first + pattern.size();
    bool startsWord = first == 0 || isDelimiter(first - 1);
    bool endsWord = after >= searched.size() || isDelimiter(after);
    if (startsWord && endsWord) break;
    ++pos;
  }
  if (pos == 0) return std::string(source);
  size_t first = static_cast<size_t>(pos) - 1;
  std::string result;
  result.reserve(source.size() - oldText.size() + newText.size());
  result.append(source.substr(0, first));
  result.append(newText);
  result.append(source.substr(first + oldText.size()));
  pos += static_cast<int>(newText.size());
  return result;
}

std::string TStringCollection::ReplaceEvery(std::string_view oldText, std::string_view newText,
                                            TCharSet delimiters, bool caseSensitive, bool wholeWord,
                                            std::string_view source) const {
  std::string result(source);
  int pos = 1;
  while (pos > 0)
    result = ReplaceNext(oldText, newText, pos, delimiters, caseSensitive, wholeWord, result);
  return result;
}

std::string TStringCollection::ReplaceText(std::string_view oldText, std::string_view newText,
                                           std::string_view source) const {
  return ReplaceEvery(oldText, newText, TCharSet(), true, false, source);
}

TStringCollection& StringCollection() {
  static TStringCollection collection;
  return collection;
}

namespace {
// Created when the module initialises, as the rest of the program expects.
[[maybe_unused]] TStringCollection& moduleInstance = StringCollection();
}  // namespace

std::string NthWord(std::string_view text, int n) {
  for (int i = 1; i < n; ++i) {
    auto blank = text.find(' ');
    if (blank == std::string_view::npos) break;
    text.remove_prefix(blank + 1);
  }
  return std::string(text.substr(0, text.find(' ')));
}

std::string StripPunctuation(std::string_view text) {
  std::string result;
  result.reserve(text.size());
  for (char c : text)
    if (c != '!' && c != '.' && c != ',' && c != ':' && c != ';') result += c;
  return result;
}

std::string ReverseText(std::string_view text) {
  return std::string(text.rbegin(), text.rend());
}

std::string FileNameOnly(std::string_view path) {
  auto separator = path.rfind('\\');
  if (separator == std::string_view::npos) separator = path.rfind(':');
  if (separator == std::string_view::npos) return std::string(path);
  return std::string(path.substr(separator + 1));
}

std::string FileBaseName(std::string_view path) {
  std::string name = FileNameOnly(path);
  auto dot = name.find('.');
  if (dot != std::string::npos) name.erase(dot);
  return name;
}
