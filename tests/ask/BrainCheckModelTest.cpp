// The linter's view of a list file against a byte-by-byte model of the line grammar, on
// random bytes rich in line ends, byte 26 and UTF-8 fragments.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "BrainCheck.h"

namespace {

using Marks = std::vector<std::string>;  // "LINE kind", in the linter's order

std::string Mark(int line, const std::string& kind) {
  return std::to_string(line) + " " + kind;
}

// What CheckListFile should report for a Dialog.brain holding `bytes`, walked one byte
// at a time.
Marks Model(const std::string& bytes) {
  const size_t stop = bytes.find('\x1A');
  const std::string visible = bytes.substr(0, stop);
  std::vector<std::string> lines;
  std::string line;
  bool open = false;  // a line has begun and not ended
  int lfCount = 0, lfLine = 0, sequenceLine = 0;
  bool utf8 = true;
  for (size_t i = 0; i < visible.size(); ++i) {
    const auto c = static_cast<unsigned char>(visible[i]);
    const int number = static_cast<int>(lines.size()) + 1;
    if (c == '\r') {
      lines.push_back(line);
      line.clear();
      open = false;
      if (i + 1 < visible.size() && visible[i + 1] == '\n') ++i;
      continue;
    }
    open = true;
    line += static_cast<char>(c);
    if (c == '\n' && ++lfCount == 1) lfLine = number;
    if (c < 0x80 || !utf8) continue;
    const size_t length = c >= 0xC2 && c <= 0xDF   ? 2
                          : c >= 0xE0 && c <= 0xEF ? 3
                          : c >= 0xF0 && c <= 0xF4 ? 4
                                                   : 0;
    bool whole = length != 0 && i + length <= visible.size();
    for (size_t k = 1; whole && k < length; ++k)
      whole = (static_cast<unsigned char>(visible[i + k]) & 0xC0) == 0x80;
    if (!whole) {
      utf8 = false;
      continue;
    }
    if (sequenceLine == 0) sequenceLine = number;
    line.append(visible, i + 1, length - 1);
    i += length - 1;
  }
  if (open) lines.push_back(line);

  Marks marks;
  if (lines.empty()) marks.push_back(Mark(0, "none"));
  const bool hides =
      stop != std::string::npos && bytes.find_first_not_of('\x1A', stop) != std::string::npos;
  if (hides) marks.push_back(Mark(static_cast<int>(lines.size()) + (open ? 0 : 1), "ctrl-z"));
  if (lfCount) marks.push_back(Mark(lfLine, "lf " + std::to_string(lfCount)));
  if (utf8 && sequenceLine) marks.push_back(Mark(sequenceLine, "utf-8"));
  for (size_t i = 0; i < lines.size(); ++i)
    if (lines[i].empty()) marks.push_back(Mark(static_cast<int>(i) + 1, "empty"));
  std::stable_sort(marks.begin(), marks.end(), [](const std::string& a, const std::string& b) {
    return std::stoi(a) < std::stoi(b);
  });
  return marks;
}

Marks Linted(const std::string& bytes) {
  Marks marks;
  for (const TBrainFinding& finding : CheckListFile(bytes, TListKind::Dialog)) {
    const std::string& text = finding.message;
    std::string kind = "?" + text;
    if (text.find("no dialogue lines") == 0) kind = "none";
    if (text.find("Ctrl-Z") != std::string::npos) kind = "ctrl-z";
    if (text.find("UTF-8") != std::string::npos) kind = "utf-8";
    if (text.find("empty entry") == 0) kind = "empty";
    if (text.find("LF without CR (") == 0)
      kind = "lf " + std::to_string(std::stoi(text.substr(15)));
    marks.push_back(Mark(finding.line, kind));
  }
  return marks;
}

std::string RandomBytes(std::mt19937& random, size_t length) {
  // Line ends, byte 26, a UTF-8 "П" in pieces, a lone continuation byte, Windows-1251 text.
  static const std::string pieces[] = {
      "\r",   "\n",   "\r\n", "\x1A", "a",        " ",  "\xD0",
      "\x9F", "\xCF", "\xE2", "\x80", "\xD0\x9F", "Hi", "\xF0\x9F\x98\x80"};
  std::string bytes;
  while (bytes.size() < length) bytes += pieces[random() % std::size(pieces)];
  return bytes;
}

TEST(BrainCheckModel, ListFindingsMatchAByteByByteReading) {
  std::mt19937 random(20240611);
  for (int round = 0; round < 4000; ++round) {
    std::string bytes = RandomBytes(random, random() % 24);
    // Mostly readable text, so that a UTF-8 reading survives now and then.
    if (round % 3 == 0)
      for (char& c : bytes)
        if (c == '\xCF' || c == '\x80' || c == '\x9F' || c == '\xE2') c = 'b';
    ASSERT_EQ(Linted(bytes), Model(bytes)) << ::testing::PrintToString(bytes);
  }
}

}  // namespace
