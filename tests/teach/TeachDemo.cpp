// The teaching window alone, for screenshots: teach-demo.exe APPFOLDER PAGE SECONDS shows it
// with the data of APPFOLDER (Brain and Scripts inside, trailing backslash), on page PAGE
// (0 to 3), and ends after SECONDS.
#include <windows.h>

#include <shellapi.h>

#include <string>

#include "EduForm.h"
#include "Recorder.h"
#include "WideText.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  int argc = 0;
  LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &argc);
  if (argc < 4) return 2;
  Application->Initialize();
  InitRecorderModule();
  Application->OnMessage = [](MSG& message, bool& handled) {
    RecorderMessageFilter(message, handled);
  };
  SetEduApplicationFolder(FromWide(argv[1]));
  const int page = _wtoi(argv[2]);
  const auto seconds = static_cast<unsigned>(_wtoi(argv[3]));
  LocalFree(argv);

  Application->CreateForm(Edu);
  Edu->EduPages->SetActivePageIndex(page);
  auto* timer = new TTimer(Application);
  timer->SetInterval(seconds * 1000);
  timer->OnTimer = [](TObject*) { Application->Terminate(); };
  Application->Run();
  ShutdownApplication();
  DoneRecorderModule();
  return 0;
}
