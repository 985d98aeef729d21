// The console front end's command line and its tab-separated output.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

struct TAskOptions {
  bool check = false;
  bool tsv = false;
  std::optional<std::string> appDir;
  std::optional<uint32_t> seed;
  std::optional<std::string> date;
};

// The arguments after the program name. Returns nothing for a bad command line and says
// why in `error`.
std::optional<TAskOptions> ParseAskArguments(const std::vector<std::string>& arguments,
                                             std::string& error);

extern const char kAskUsage[];

// The application folder for a directory named on the command line: it ends with a
// backslash, as the character's own does.
std::string AppFolderFor(std::string directory);

// One output line of --tsv mode: kind, TAB, the text with \\ \n \r \t escaped, LF.
std::string TsvLine(std::string_view kind, std::string_view text);
