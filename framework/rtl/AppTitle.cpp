#include "AppTitle.h"

std::string DefaultTitle(std::string_view fileName, const PlatformServices& platform) {
  size_t slash = fileName.rfind('\\');
  if (slash != std::string_view::npos) fileName.remove_prefix(slash + 1);
  std::string title(fileName.substr(0, fileName.find('.')));
  if (title.size() > 1) platform.LowerCaseBuffer(title.data() + 1, title.size() - 1);
  return title;
}
