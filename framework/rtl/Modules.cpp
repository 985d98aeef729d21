#include "Modules.h"

#include <vector>

namespace {

std::vector<std::function<void()>>& Finalizations() {
  static std::vector<std::function<void()>> list;
  return list;
}

}  // namespace

void AddFinalization(std::function<void()> finalize) {
  Finalizations().push_back(std::move(finalize));
}

void RunFinalization() noexcept {
  auto& list = Finalizations();
  while (!list.empty()) {
    std::function<void()> finalize = std::move(list.back());
    list.pop_back();
    try {
      finalize();
    } catch (...) {
      // The program is ending: there is nothing left to report to.
    }
  }
}
