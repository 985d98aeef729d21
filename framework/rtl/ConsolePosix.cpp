#include "Console.h"

#include <iconv.h>
#include <langinfo.h>
#include <unistd.h>

#include <cerrno>
#include <clocale>
#include <climits>
#include <cstring>

namespace {

constexpr char kAnsiEncoding[] = "CP1251";

bool IsUtf8(const std::string& name) {
  std::string upper;
  for (char c : name)
    if (c != '-' && c != '_') upper += static_cast<char>(c >= 'a' && c <= 'z' ? c - 32 : c);
  return upper == "UTF8";
}

class Converter {
 public:
  Converter(const std::string& from, const std::string& to)
      : handle_(iconv_open((to + "//TRANSLIT").c_str(), from.c_str())), utf8Source_(IsUtf8(from)) {}
  ~Converter() {
    if (Valid()) iconv_close(handle_);
  }
  Converter(const Converter&) = delete;
  Converter& operator=(const Converter&) = delete;

  bool Valid() const { return handle_ != reinterpret_cast<iconv_t>(-1); }

  std::string Convert(std::string_view text) const {
    if (!Valid()) return std::string(text);
    iconv(handle_, nullptr, nullptr, nullptr, nullptr);
    std::string result;
    char* in = const_cast<char*>(text.data());
    size_t inLeft = text.size();
    char buffer[512];
    while (inLeft > 0) {
      char* out = buffer;
      size_t outLeft = sizeof buffer;
      size_t done = iconv(handle_, &in, &inLeft, &out, &outLeft);
      result.append(buffer, out - buffer);
      if (done != static_cast<size_t>(-1) || errno == E2BIG) continue;
      // An invalid or untranslatable character: one '?' for the whole character.
      result += '?';
      ++in;
      --inLeft;
      if (utf8Source_)
        while (inLeft > 0 && (static_cast<unsigned char>(*in) & 0xC0) == 0x80) ++in, --inLeft;
    }
    char* out = buffer;
    size_t outLeft = sizeof buffer;
    iconv(handle_, nullptr, nullptr, &out, &outLeft);
    result.append(buffer, out - buffer);
    return result;
  }

 private:
  iconv_t handle_;
  bool utf8Source_;
};

std::string TerminalEncoding() {
  std::setlocale(LC_CTYPE, "");
  std::string codeset = nl_langinfo(CODESET);
  // Without a locale the codeset is plain ASCII, while terminals send UTF-8, a superset.
  if (codeset.empty() || codeset == "ANSI_X3.4-1968" || codeset == "ASCII") return "UTF-8";
  return codeset;
}

}  // namespace

struct TConsoleText::Impl {
  explicit Impl(const std::string& encoding)
      : toAnsi(encoding, kAnsiEncoding), fromAnsi(kAnsiEncoding, encoding) {}
  Converter toAnsi;
  Converter fromAnsi;
};

TConsoleText::TConsoleText() : impl_(std::make_unique<Impl>(TerminalEncoding())) {}
TConsoleText::TConsoleText(const std::string& encoding) : impl_(std::make_unique<Impl>(encoding)) {}
TConsoleText::~TConsoleText() = default;

std::string TConsoleText::ToAnsi(std::string_view terminalText) const {
  return impl_->toAnsi.Convert(terminalText);
}

std::string TConsoleText::FromAnsi(std::string_view ansiText) const {
  return impl_->fromAnsi.Convert(ansiText);
}

std::string TConsoleText::FromPath(const TPath& path) const {
  return path.Bytes();
}

std::string TConsoleText::ArgumentToAnsi(std::string_view argument) const {
  return ToAnsi(argument);
}

void SetBinaryStdio() {}

std::string ExecutableFolder() {
  char path[PATH_MAX];
  ssize_t length = readlink("/proc/self/exe", path, sizeof path - 1);
  if (length <= 0) return {};
  std::string folder(path, length);
  size_t slash = folder.rfind('/');
  return slash == std::string::npos ? std::string() : folder.substr(0, slash == 0 ? 1 : slash);
}
