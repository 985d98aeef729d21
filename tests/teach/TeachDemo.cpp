// The teaching window alone, for screenshots: teach-demo.exe APPFOLDER PAGE SECONDS shows it
// with the data of APPFOLDER (Brain and Scripts inside, trailing backslash), on page PAGE
// (0 to 3), with a block typed into the answer page, and ends after SECONDS.
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
  SetEduApplicationFolder(FromWide(argv[1]));
  const int page = _wtoi(argv[2]);
  const auto seconds = static_cast<unsigned>(_wtoi(argv[3]));
  LocalFree(argv);

  Application->CreateForm(Edu);
  Edu->EduPages->SetActivePageIndex(page);
  // The answer page with a block being written: "ПРИВЕТ", "ХАЙ" and two answers.
  Edu->Edit1->SetText("\xCF\xD0\xC8\xC2\xC5\xD2");
  Edu->Edit2->SetText("\xD5\xC0\xC9");
  Edu->Memo1->SetText(
      "\xCF\xF0\xE8\xE2\xE5\xF2! \xCA\xE0\xEA \xE4\xE5\xEB\xE0?\r\n"
      "\xD0\xE0\xE4 \xF2\xE5\xE1\xFF \xE2\xE8\xE4\xE5\xF2\xFC, $KeyWord!");
  auto* timer = new TTimer(Application);
  timer->SetInterval(seconds * 1000);
  timer->OnTimer = [](TObject*) { Application->Terminate(); };
  Application->Run();
  ShutdownApplication();
  DoneRecorderModule();
  return 0;
}
