// skin-demo: the shaped character window alone, centred and topmost, for a person to look at.
#include <windows.h>

#include "AssetIds.h"
#include "Forms.h"
#include "SkinForm.h"
#include "StayOnTop.h"

namespace {

class TSkinDemoForm : public TForm {
 public:
  using TForm::TForm;

 protected:
  void CreateComponents() override {
    SetCaption("Quelvoran");
    SetPosition(poDesktopCenter);
    SetFormStyle(fsStayOnTop);
    SetClientWidth(162);
    SetClientHeight(251);
    SkinForm1 = new TSkinForm(this);
    SkinForm1->SetParent(this);
    new TStayOnTop(this);
  }

  void ReadProperties() override {
    HINSTANCE instance = GetModuleHandleA(nullptr);
    SkinForm1->Picture()->Bitmap()->LoadFromResourceID(instance, IDB_CHARACTER);
    ReadMaskResource(*SkinForm1, instance, IDR_CHARACTER_MASK2);
  }

 private:
  TSkinForm* SkinForm1 = nullptr;
};

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  Application->Initialize();
  TSkinDemoForm* form = nullptr;
  Application->CreateForm(form);
  Application->Run();
  return 0;
}
