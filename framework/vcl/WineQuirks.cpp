#include "WineQuirks.h"

#include <winternl.h>

#include <algorithm>
#include <cstdint>

#include "LateBound.h"

bool RunningUnderWine() {
  static const bool wine = [] {
    HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    return ntdll && GetProcAddress(ntdll, "wine_get_version") != nullptr;
  }();
  return wine;
}

void SetWindowNotTopmost(HWND window, UINT flags) {
  HWND owner = RunningUnderWine() ? GetWindow(window, GW_OWNER) : nullptr;
  if (owner) SetWindowLongPtrW(window, GWLP_HWNDPARENT, 0);
  SetWindowPos(window, HWND_NOTOPMOST, 0, 0, 0, 0, flags);
  if (owner) SetWindowLongPtrW(window, GWLP_HWNDPARENT, reinterpret_cast<LONG_PTR>(owner));
}

UINT TopmostBoxFlag() {
  return RunningUnderWine() ? MB_SYSTEMMODAL : MB_TOPMOST;
}

long WineGdiObjectCount() {
  // The process's GDI handle table, one cell per handle, as the PEB names it.
  struct Cell {
    uint64_t object;
    uint16_t process, count, upper, type;
    uint64_t user;
  };
  constexpr size_t kTableOffset = 0xF8, kMaxCells = 0x10000;
  static const auto query =
      LateBound<decltype(&NtQueryInformationProcess)>(L"ntdll.dll", "NtQueryInformationProcess");
  PROCESS_BASIC_INFORMATION process{};
  if (!query ||
      query(GetCurrentProcess(), ProcessBasicInformation, &process, sizeof process, nullptr) != 0)
    return -1;
  const auto* peb = reinterpret_cast<const uint8_t*>(process.PebBaseAddress);
  const auto* table = *reinterpret_cast<const Cell* const*>(peb + kTableOffset);
  MEMORY_BASIC_INFORMATION memory{};
  if (!table || !VirtualQuery(table, &memory, sizeof memory) || memory.State != MEM_COMMIT)
    return -1;
  const size_t readable =
      static_cast<size_t>(static_cast<const uint8_t*>(memory.BaseAddress) + memory.RegionSize -
                          reinterpret_cast<const uint8_t*>(table));
  const size_t cells = std::min(kMaxCells, readable / sizeof(Cell));
  return static_cast<long>(
      std::count_if(table, table + cells, [](const Cell& cell) { return cell.type != 0; }));
}

unsigned ForegroundPollInterval() {
  // Each look wakes the program and its wineserver: twice a second is soon enough for a
  // program that goes full screen.
  return RunningUnderWine() ? 500 : 0;
}
