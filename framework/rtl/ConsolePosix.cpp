#include "Console.h"

#include <iconv.h>
#include <langinfo.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <clocale>
#include <climits>
#include <cstring>

#include "AnsiText.h"

namespace {

// The Windows-1251 side goes through AnsiText; iconv only meets the terminal.
constexpr char kWideEncoding[] = "UTF-16LE";

bool IsNamed(const std::string& name, const char* wanted) {
  std::string upper;
  for (char c : name)
    if (c != '-' && c != '_') upper += static_cast<char>(c >= 'a' && c <= 'z' ? c - 32 : c);
  return upper == wanted;
}

class Converter {
 public:
  Converter(const std::string& from, const std::string& to)
      : handle_(iconv_open((to + "//TRANSLIT").c_str(), from.c_str())),
        utf8Source_(IsNamed(from, "UTF8")),
        wideSource_(IsNamed(from, "UTF16LE")),
        unknown_(IsNamed(to, "UTF16LE") ? std::string("?\0", 2) : std::string("?")) {}
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
      result += unknown_;
      const size_t unit = wideSource_ ? 2 : 1;
      const bool highSurrogate =
          wideSource_ && inLeft >= 4 && (static_cast<unsigned char>(in[1]) & 0xFC) == 0xD8;
      const size_t skipped = std::min(inLeft, highSurrogate ? 2 * unit : unit);
      in += skipped;
      inLeft -= skipped;
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
  bool wideSource_;
  std::string unknown_;  // one '?' in the target encoding
};

std::string TerminalEncoding() {
  std::setlocale(LC_CTYPE, "");
  std::string codeset = nl_langinfo(CODESET);
  // Without a locale the codeset is plain ASCII, while terminals send UTF-8, a superset.
  if (codeset.empty() || codeset == "ANSI_X3.4-1968" || codeset == "ASCII") return "UTF-8";
  return codeset;
}

std::u16string FromUtf16Le(const std::string& bytes) {
  std::u16string text(bytes.size() / 2, u'\0');
  for (size_t i = 0; i < text.size(); ++i)
    text[i] = static_cast<char16_t>(static_cast<unsigned char>(bytes[2 * i]) |
                                    static_cast<unsigned char>(bytes[2 * i + 1]) << 8);
  return text;
}

std::string ToUtf16Le(std::u16string_view text) {
  std::string bytes;
  bytes.reserve(text.size() * 2);
  for (char16_t c : text) {
    bytes += static_cast<char>(c & 0xFF);
    bytes += static_cast<char>(c >> 8);
  }
  return bytes;
}

}  // namespace

struct TConsoleText::Impl {
  explicit Impl(const std::string& encoding)
      : toWide(encoding, kWideEncoding), fromWide(kWideEncoding, encoding) {}
  Converter toWide;
  Converter fromWide;
};

TConsoleText::TConsoleText() : impl_(std::make_unique<Impl>(TerminalEncoding())) {}
TConsoleText::TConsoleText(const std::string& encoding) : impl_(std::make_unique<Impl>(encoding)) {}
TConsoleText::~TConsoleText() = default;

std::string TConsoleText::ToAnsi(std::string_view terminalText) const {
  if (!impl_->toWide.Valid()) return std::string(terminalText);
  return Utf16ToAnsi(FromUtf16Le(impl_->toWide.Convert(terminalText)));
}

std::string TConsoleText::FromAnsi(std::string_view ansiText) const {
  if (!impl_->fromWide.Valid()) return std::string(ansiText);
  return impl_->fromWide.Convert(ToUtf16Le(AnsiToUtf16(ansiText)));
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
