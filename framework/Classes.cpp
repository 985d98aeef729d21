#include "Classes.h"

const std::string& TStringList::operator[](int index) const {
  if (index < 0 || index >= Count()) throw EListError(index);
  return items_[static_cast<size_t>(index)];
}

std::string& TStringList::operator[](int index) {
  if (index < 0 || index >= Count()) throw EListError(index);
  return items_[static_cast<size_t>(index)];
}

int TStringList::Add(std::string text) {
  items_.push_back(std::move(text));
  return Count() - 1;
}

std::string TStringList::Text() const {
  std::string text;
  for (const auto& line : items_) {
    text += line;
    text += "\r\n";
  }
  return text;
}

void TStringList::SetText(std::string_view text) {
  items_.clear();
  size_t i = 0;
  while (i < text.size()) {
    size_t end = text.find_first_of("\r\n", i);
    if (end == std::string_view::npos) {
      items_.emplace_back(text.substr(i));
      break;
    }
    items_.emplace_back(text.substr(i, end - i));
    i = end + 1;
    if (text[end] == '\r' && i < text.size() && text[i] == '\n') ++i;
  }
}
