// menu-demo: the side-bar popup menu with the character's items, for a person to look at.
// It opens by itself at (40, 40) and again on a right click into the small window; the
// arguments are keys sent to the open menu: "down", "up", "right", "left".
#include <windows.h>

#include <string>
#include <vector>

#include "BarPopupMenu.h"
#include "Captions.h"
#include "CharacterMenu.h"
#include "Forms.h"

namespace {

std::vector<WPARAM> keys;

class TMenuDemoForm : public TForm {
 public:
  using TForm::TForm;

 protected:
  void CreateComponents() override {
    SetBorderStyle(bsToolWindow);
    SetCaption("menu-demo");
    SetBounds(400, 300, 240, 120);
    Menu = new TBarPopupMenu(this);
    auto add = [this](TMenuItem* parent, const char* caption) {
      auto* item = new TMenuItem(this);
      item->SetCaption(caption);
      parent->Add(item);
      return item;
    };
    TMenuItem* root = Menu->Items();
    add(root, kRestore)->SetEnabled(false);
    add(root, kMinimize);
    add(root, kTeach);
    TMenuItem* plugins = add(root, "Plugins...");
    add(plugins, "Hat");
    add(plugins, "Sign");
    TMenuItem* run = add(root, kRun);
    add(run, "Circle");
    add(root, "-");
    add(root, kExit)->OnClick = [this](TObject*) { Close(); };
  }

  void ReadProperties() override {
    StyleCharacterMenu(Menu);
    SetPopupMenu(Menu);
  }

 public:
  TBarPopupMenu* Menu = nullptr;
};

TMenuDemoForm* demo = nullptr;

void CALLBACK SendKeys(HWND, UINT, UINT_PTR id, DWORD) {
  KillTimer(nullptr, id);
  HWND menu = nullptr;
  // The last menu window opened is the first one found.
  for (WPARAM key : keys) {
    menu = FindWindowW(L"#32768", nullptr);
    PostMessageW(menu, WM_KEYDOWN, key, 0);
  }
}

void CALLBACK OpenMenu(HWND, UINT, UINT_PTR id, DWORD) {
  KillTimer(nullptr, id);
  if (!keys.empty()) SetTimer(nullptr, 0, 400, SendKeys);
  GuardedCall([] { demo->Menu->Popup(40, 40); });
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  int argc = 0;
  LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &argc);
  for (int i = 1; i < argc; ++i) {
    const std::wstring key = argv[i];
    if (key == L"down") keys.push_back(VK_DOWN);
    if (key == L"up") keys.push_back(VK_UP);
    if (key == L"right") keys.push_back(VK_RIGHT);
    if (key == L"left") keys.push_back(VK_LEFT);
  }
  LocalFree(argv);
  Application->Initialize();
  Application->SetTitle(kDisplayName);
  Application->CreateForm(demo);
  SetTimer(nullptr, 0, 300, OpenMenu);
  Application->Run();
  ShutdownApplication();
  return 0;
}
