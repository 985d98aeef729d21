// A program holding a TSingleInstance on its form, started twice by the single-instance
// test. Ends with 3 when it found an earlier copy running.
#include <windows.h>

#include "Forms.h"
#include "SingleInstance.h"

namespace {

bool foundAnother = false;

class TProbeForm : public TForm {
 public:
  using TForm::TForm;

 protected:
  void CreateComponents() override {
    SetCaption("Instance probe");
    OnlyOne = new TSingleInstance(this);
    OnlyOne->AlreadyExist = [](TObject*) { foundAnother = true; };
  }

 private:
  TSingleInstance* OnlyOne = nullptr;
};

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  Application->Initialize();
  TProbeForm* form = nullptr;
  Application->CreateForm(form);
  Application->Run();
  return foundAnother ? 3 : 0;
}
