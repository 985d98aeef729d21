#include "AbtForm.h"

#include <windows.h>
#include <shellapi.h>

#include "AssetIds.h"

TAbout* About = nullptr;

TAbout::TAbout(TComponent* AOwner) : TForm(AOwner) {
  OnShow = [this](TObject* sender) { FormShow(sender); };
}

void TAbout::CreateComponents() {
  Logo = new TImage(this);
  Logo->SetParent(this);
  Label1 = new TLabel(this);
  Label1->SetParent(this);
  Label2 = new TLabel(this);
  Label2->SetParent(this);
}

void TAbout::ReadProperties() {
  SetName("About");
  Logo->SetName("Logo");
  Label1->SetName("Label1");
  Label2->SetName("Label2");
  SetBorderStyle(bsToolWindow);
  SetCaption("\xCE \xEF\xF0\xEE\xE3\xF0\xE0\xEC\xEC\xE5...");  // О программе...
  SetClientWidth(153);
  SetClientHeight(103);
  SetCursor(crHandPoint);
  Font()->SetName("MS Sans Serif");
  Font()->SetHeight(-11);

  Logo->SetBounds(24, 32, 113, 45);
  Logo->Picture()->Bitmap()->LoadFromResourceID(GetModuleHandleW(nullptr), IDB_LOGO);
  Logo->SetTransparent(true);
  Logo->OnClick = [this](TObject* sender) { LogoClick(sender); };

  Label1->SetBounds(32, 0, 99, 16);
  Label1->SetCaption("\xC3.\xC3.\xCA\xEE\xF0\xEC\xE8\xE4 v.II");  // Г.Г.Кормид v.II
  Label1->Font()->SetColor(clNavy);
  Label1->Font()->SetStyle(fsBold);
  Label1->Font()->SetName("MS Sans Serif");
  Label1->Font()->SetHeight(-14);

  Label2->SetBounds(0, 90, 153, 13);
  Label2->SetAlignment(taCenter);
  Label2->SetCaption("Quelvoran \xA9 2026");  // ©
  for (TControl* control : {static_cast<TControl*>(Label1), static_cast<TControl*>(Label2)})
    control->SetCursor(crHandPoint);
}

void TAbout::Loaded() {
  TForm::Loaded();
  FollowDpi(TDpiRule::Exact);
}

void TAbout::FormShow(TObject*) {
  SetLeft(0);
  SetTop(0);
}

void TAbout::LogoClick(TObject*) {
  TPath target = kMakerPage;
  if (target.Bytes().find("://") == std::string::npos) target = ApplicationFolder() + kMakerPage;
  ShellExecuteA(GetDesktopWindow(), "open", target.CStr(), nullptr, nullptr, SW_SHOWNORMAL);
}
