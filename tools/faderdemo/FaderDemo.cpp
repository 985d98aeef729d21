// fader-demo: the character window with its speech area, a text fader set up as the main
// window sets it up, showing a few Russian lines one after another.
//
//   fader-demo.exe                  the animation as it runs
//   fader-demo.exe LINE PROGRESS    held still where item LINE (from 0) has faded in PROGRESS
//                                   percent, for screenshots
#include <windows.h>

#include <cstdio>

#include "AnsiText.h"
#include "AssetIds.h"
#include "Forms.h"
#include "SkinForm.h"
#include "StayOnTop.h"
#include "TextFade.h"

namespace {

// Display lines as the main window's 460-pixel layout box would hand them over.
const char16_t* const kLines[] = {
    u"Привет! Я Квельворан, и я рад тебя видеть.",
    u"Спроси меня о чём-нибудь, а я постараюсь ответить честно и подробно.",
    u"Сегодня хороший день, чтобы научиться чему-то новому.",
    u"Если я чего-то не знаю, научи меня через пункт «Обучить...» в меню.",
};

class TFaderDemoForm : public TForm {
 public:
  using TForm::TForm;

  TTextFader* Answer = nullptr;

 protected:
  void CreateComponents() override {
    SetCaption("Quelvoran");
    SetPosition(poDesktopCenter);
    SetFormStyle(fsStayOnTop);
    SetClientWidth(162);
    SetClientHeight(251);
    Font()->SetName("MS Sans Serif");
    Font()->SetHeight(-11);
    SkinForm1 = new TSkinForm(this);
    SkinForm1->SetParent(this);
    Answer = new TTextFader(this);
    Answer->SetParent(this);
    new TStayOnTop(this);
  }

  void ReadProperties() override {
    HINSTANCE instance = GetModuleHandleA(nullptr);
    SkinForm1->Picture()->Bitmap()->LoadFromResourceID(instance, IDB_CHARACTER);
    ReadMaskResource(*SkinForm1, instance, IDR_CHARACTER_MASK2);
    Answer->SetBounds(14, 16, 134, 54);
    Answer->SetTransparent(true);
  }

 private:
  TSkinForm* SkinForm1 = nullptr;
};

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR commandLine, int) {
  Application->Initialize();
  TFaderDemoForm* form = nullptr;
  Application->CreateForm(form);

  TTextFader* fader = form->Answer;
  fader->SetActive(true);
  fader->Reset();
  fader->Lines()->Clear();
  for (const char16_t* line : kLines) fader->Lines()->Add(Utf16ToAnsi(line));

  int line = 0, progress = 0;
  if (std::sscanf(commandLine, "%d %d", &line, &progress) == 2) {
    fader->Timer()->SetEnabled(false);
    const int count = fader->Lines()->Count();
    line = line < 0 ? 0 : line % count;
    progress = progress > 100 ? 100 : progress;
    do fader->TimerTick();
    while (fader->LineIndex() != line || fader->Progress() < progress);
  }
  Application->Run();
  return 0;
}
