#include "SysUtils.h"

#include <cstdio>

std::string EInOutError::TextFor(int code) {
  switch (code) {
    case kErrorFileNotFound:
      return "File not found";
    case kErrorAccessDenied:
      return "File access denied";
    default: {
      char text[32];
      std::snprintf(text, sizeof text, "I/O error %d", code);
      return text;
    }
  }
}

EInOutError::EInOutError(int code) : Exception(TextFor(code)), code_(code) {}

static std::string Format(const char* pattern, const std::string& argument) {
  std::string text = pattern;
  text.replace(text.find("%s"), 2, argument);
  return text;
}

EListError::EListError(int index)
    : Exception("List index out of bounds (" + std::to_string(index) + ")") {}

EFOpenError::EFOpenError(const std::string& fileName)
    : EStreamError(Format("Cannot open file %s", fileName)) {}

EFCreateError::EFCreateError(const std::string& fileName)
    : EStreamError(Format("Cannot create file %s", fileName)) {}

std::string ErrorBoxText(const std::string& message) {
  if (!message.empty() && static_cast<unsigned char>(message.back()) > '.') return message + ".";
  return message;
}

std::string ExceptionMessage(const std::exception& e) {
  if (auto* own = dynamic_cast<const Exception*>(&e)) return own->Message();
  return e.what();
}
