// Start-up time, measured from outside as a user sees it: from process start to the first
// drawn frame (the character's greeting in its speech area; the minimal program's black
// window), several runs each, medians. (Wine does not report another process's private
// memory; tools/bench/startup.sh reads it from the host.)
//
//   startup-bench.exe QUELVORAN_EXE MINIMAL_EXE [RUNS]
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

namespace {

// True when some pixel of the screen rectangle is not white (or, with `black`, is black).
bool Drawn(const RECT& area, bool black) {
  const int width = area.right - area.left, height = area.bottom - area.top;
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  uint32_t* bits = nullptr;
  HBITMAP bitmap =
      CreateDIBSection(memory, &info, DIB_RGB_COLORS, reinterpret_cast<void**>(&bits), nullptr, 0);
  HGDIOBJ old = SelectObject(memory, bitmap);
  BitBlt(memory, 0, 0, width, height, screen, area.left, area.top, SRCCOPY);
  GdiFlush();
  bool drawn = false;
  for (int i = 0; i < width * height && !drawn; ++i) {
    const uint32_t pixel = bits[i] & 0xFFFFFF;
    drawn = black ? pixel == 0 : pixel != 0xFFFFFF;
  }
  SelectObject(memory, old);
  DeleteObject(bitmap);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
  return drawn;
}

struct TRun {
  double milliseconds = -1;
};

// One run: start, watch the area until it is drawn, end.
TRun Measure(const std::wstring& exe, const RECT& area, bool black) {
  TRun run;
  std::wstring command = L"\"" + exe + L"\"";
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  LARGE_INTEGER frequency, start, now;
  QueryPerformanceFrequency(&frequency);
  QueryPerformanceCounter(&start);
  if (!CreateProcessW(exe.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                      &startup, &process))
    return run;
  for (;;) {
    QueryPerformanceCounter(&now);
    const double elapsed = 1000.0 * (now.QuadPart - start.QuadPart) / frequency.QuadPart;
    if (Drawn(area, black)) {
      run.milliseconds = elapsed;
      break;
    }
    if (elapsed > 20000) break;
    Sleep(1);
  }
  TerminateProcess(process.hProcess, 0);
  WaitForSingleObject(process.hProcess, 5000);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  // Wine holds the display for about two seconds after an active window goes away.
  Sleep(3000);
  return run;
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values.empty() ? -1 : values[values.size() / 2];
}

void Report(const char* name, const std::vector<TRun>& runs) {
  std::vector<double> times;
  for (const TRun& run : runs) times.push_back(run.milliseconds);
  std::printf("%-10s first frame: median %7.1f ms (min %7.1f, max %7.1f)\n", name, Median(times),
              *std::min_element(times.begin(), times.end()),
              *std::max_element(times.begin(), times.end()));
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: startup-bench QUELVORAN_EXE MINIMAL_EXE [RUNS]\n");
    return 2;
  }
  const int runs = argc > 3 ? _wtoi(argv[3]) : 7;
  // Both windows are 162 x 251, centred on a 1024 x 768 screen at (431, 258); the speech
  // area is at (14, 16), 134 x 54 of the character's window.
  const RECT speech{431 + 14, 258 + 16, 431 + 14 + 134, 258 + 16 + 54};
  const RECT minimal{431 + 60, 258 + 100, 431 + 100, 258 + 140};
  std::vector<TRun> character, yardstick;
  for (int i = 0; i < runs; ++i) {
    yardstick.push_back(Measure(argv[2], minimal, true));
    character.push_back(Measure(argv[1], speech, false));
  }
  Report("minimal", yardstick);
  Report("Quelvoran", character);
  return 0;
}
