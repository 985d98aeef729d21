// Program start: module initialisation, the main window (which checks for an earlier copy
// while it loads), the teaching and About windows hidden, the title, the message loop; and
// the end in one explicit place.
#include <windows.h>

#include "AbtForm.h"
#include "Captions.h"
#include "EduForm.h"
#include "Forms.h"
#include "Main.h"
#include "Modules.h"
#include "Recorder.h"
#include "StrCon.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  StringCollection();
  InitRecorderModule();
  AddFinalization(DoneRecorderModule);

  Application->Initialize();
  Application->CreateForm(MainForm);
  Application->CreateForm(Edu);
  Application->CreateForm(About);
  Application->SetTitle(kDisplayName);
  Application->Run();
  ShutdownApplication();
  return 0;
}
