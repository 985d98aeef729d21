#include "AskOptions.h"

const char kAskUsage[] =
    "usage: quelvoran-ask [--app-dir DIR] [--seed N] [--date TEXT] [--tsv]\n"
    "       quelvoran-ask --check [--app-dir DIR]\n"
    "Greets, then answers each line of standard input as the character does, using\n"
    "DIR\\Brain (default: the folder holding this program).\n"
    "  --seed N     the k-th re-seed of the run sets the seed to N + k (k = 0: greeting)\n"
    "  --date TEXT  $Date expands to TEXT\n"
    "  --tsv        print 'kind<TAB>text' lines, bytes unchanged (Windows-1251)\n"
    "  --check      report problems of the Brain files; exit 1 if there are any\n";

namespace {

std::optional<uint32_t> ParseSeed(const std::string& text) {
  if (text.empty() || text.size() > 10) return std::nullopt;
  uint64_t value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + (c - '0');
  }
  if (value > UINT32_MAX) return std::nullopt;
  return static_cast<uint32_t>(value);
}

}  // namespace

std::optional<TAskOptions> ParseAskArguments(const std::vector<std::string>& arguments,
                                             std::string& error) {
  TAskOptions options;
  for (size_t i = 0; i < arguments.size(); ++i) {
    std::string name = arguments[i];
    std::optional<std::string> value;
    if (size_t equals = name.find('='); name.starts_with("--") && equals != std::string::npos) {
      value = name.substr(equals + 1);
      name.resize(equals);
    }
    const bool takesValue = name == "--app-dir" || name == "--seed" || name == "--date";
    if (takesValue && !value) {
      if (i + 1 == arguments.size()) {
        error = name + " needs a value";
        return std::nullopt;
      }
      value = arguments[++i];
    } else if (!takesValue && value) {
      error = name + " takes no value";
      return std::nullopt;
    }

    if (name == "--app-dir") {
      if (value->empty()) {
        error = "--app-dir needs a folder";
        return std::nullopt;
      }
      options.appDir = *value;
    } else if (name == "--seed") {
      options.seed = ParseSeed(*value);
      if (!options.seed) {
        error = "--seed needs a number from 0 to 4294967295";
        return std::nullopt;
      }
    } else if (name == "--date") {
      options.date = *value;
    } else if (name == "--tsv") {
      options.tsv = true;
    } else if (name == "--check") {
      options.check = true;
    } else {
      error = "unknown argument " + name;
      return std::nullopt;
    }
  }
  if (options.check && (options.tsv || options.seed || options.date)) {
    error = "--check takes only --app-dir";
    return std::nullopt;
  }
  return options;
}

std::string AppFolderFor(std::string directory) {
  while (!directory.empty() && directory.back() == '/') directory.pop_back();
  if (directory.empty() || directory.back() != '\\') directory += '\\';
  return directory;
}

std::string TsvLine(std::string_view kind, std::string_view text) {
  std::string line(kind);
  line += '\t';
  for (char c : text) {
    switch (c) {
      case '\\':
        line += "\\\\";
        break;
      case '\n':
        line += "\\n";
        break;
      case '\r':
        line += "\\r";
        break;
      case '\t':
        line += "\\t";
        break;
      default:
        line += c;
    }
  }
  line += '\n';
  return line;
}
