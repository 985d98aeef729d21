#include "StdCtrls.h"

#include <commctrl.h>

#include <vector>

#include "LateBound.h"
#include "WideText.h"

// TCustomEdit

TCustomEdit::TCustomEdit(TComponent* AOwner) : TWinControl(AOwner) {
  SetTabStop(true);
  SetColor(clWindow);
  SetBounds(0, 0, 121, 21);
}

void TCustomEdit::SetBorderStyle(TFormBorderStyle style) {
  if (style == borderStyle_) return;
  borderStyle_ = style;
  RecreateWnd();
}

void TCustomEdit::SetCharCase(TEditCharCase charCase) {
  if (charCase == charCase_) return;
  charCase_ = charCase;
  RecreateWnd();
}

void TCustomEdit::CreateParams(TCreateParams& params) {
  TWinControl::CreateParams(params);
  params.SystemClass = L"EDIT";
  params.Style |= ES_AUTOHSCROLL | (TabStop() ? WS_TABSTOP : 0);
  if (charCase_ == ecUpperCase) params.Style |= ES_UPPERCASE;
  if (charCase_ == ecLowerCase) params.Style |= ES_LOWERCASE;
  if (borderStyle_ != bsNone) params.ExStyle |= WS_EX_CLIENTEDGE;
}

bool TCustomEdit::Command(WORD code) {
  if (code != EN_CHANGE) return false;
  if (OnChange) OnChange(this);
  return true;
}

// TEdit

TEdit::TEdit(TComponent* AOwner) : TCustomEdit(AOwner) {}

void TEdit::KeyPress(char& key) {
  TCustomEdit::KeyPress(key);
  if (key == '\r' || key == '\n' || key == '\x1b' || key == '\t') key = 0;
}

// TMemo

TMemo::TMemo(TComponent* AOwner) : TCustomEdit(AOwner) {
  SetBounds(0, 0, 185, 89);
}

void TMemo::SetWordWrap(bool wordWrap) {
  if (wordWrap == wordWrap_) return;
  wordWrap_ = wordWrap;
  RecreateWnd();
}

void TMemo::SetScrollBars(TScrollStyle scrollBars) {
  if (scrollBars == scrollBars_) return;
  scrollBars_ = scrollBars;
  RecreateWnd();
}

void TMemo::SetAlignment(TAlignment alignment) {
  if (alignment == alignment_) return;
  alignment_ = alignment;
  RecreateWnd();
}

void TMemo::CreateParams(TCreateParams& params) {
  TCustomEdit::CreateParams(params);
  params.Style &= ~static_cast<DWORD>(ES_AUTOHSCROLL);
  params.Style |= ES_MULTILINE | ES_AUTOVSCROLL;
  if (!wordWrap_) params.Style |= ES_AUTOHSCROLL;
  if (scrollBars_ == ssVertical || scrollBars_ == ssBoth) params.Style |= WS_VSCROLL;
  if ((scrollBars_ == ssHorizontal || scrollBars_ == ssBoth) && !wordWrap_)
    params.Style |= WS_HSCROLL;
  if (alignment_ == taCenter) params.Style |= ES_CENTER;
  if (alignment_ == taRightJustify) params.Style |= ES_RIGHT;
}

bool TMemo::WantsKey(WORD key) {
  if (key == VK_TAB) return wantTabs_;
  if (key == VK_RETURN) return wantReturns_;
  return false;
}

// TMemoLines

int TMemoLines::Count() const {
  HWND window = memo_.Handle();
  auto count = static_cast<int>(SendMessageW(window, EM_GETLINECOUNT, 0, 0));
  const LRESULT lastStart = SendMessageW(window, EM_LINEINDEX, count - 1, 0);
  if (count > 0 && SendMessageW(window, EM_LINELENGTH, lastStart, 0) == 0) --count;
  return count;
}

std::string TMemoLines::Strings(int index) const {
  if (index < 0 || index >= Count()) throw EListError(index);
  HWND window = memo_.Handle();
  const LRESULT start = SendMessageW(window, EM_LINEINDEX, index, 0);
  const auto length = static_cast<size_t>(SendMessageW(window, EM_LINELENGTH, start, 0));
  // EM_GETLINE takes the buffer's size in its first word and copies no terminator.
  std::vector<wchar_t> buffer(std::max<size_t>(length, 1) + 1);
  buffer[0] = static_cast<wchar_t>(buffer.size());
  const auto copied = static_cast<size_t>(
      SendMessageW(window, EM_GETLINE, index, reinterpret_cast<LPARAM>(buffer.data())));
  return FromWide(std::wstring_view(buffer.data(), std::min(copied, length)));
}

void TMemoLines::Add(const std::string& line) {
  std::string text = memo_.Text();
  if (!text.empty() && !text.ends_with("\r\n")) text += "\r\n";
  memo_.SetText(text + line + "\r\n");
}

void TMemoLines::Clear() {
  memo_.SetText("");
}

std::string TMemoLines::Text() const {
  return memo_.Text();
}

void TMemoLines::SetText(const std::string& text) {
  memo_.SetText(text);
}

// TButton

TButton::TButton(TComponent* AOwner) : TWinControl(AOwner) {
  SetTabStop(true);
  SetBounds(0, 0, 75, 25);
}

void TButton::SetDefault(bool value) {
  if (value == default_) return;
  default_ = value;
  if (HandleAllocated())
    SendMessageW(Handle(), BM_SETSTYLE, default_ ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON, TRUE);
}

void TButton::CreateParams(TCreateParams& params) {
  TWinControl::CreateParams(params);
  params.SystemClass = L"BUTTON";
  params.Style |= (default_ ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON) | (TabStop() ? WS_TABSTOP : 0);
}

bool TButton::Command(WORD code) {
  if (code != BN_CLICKED) return false;
  Click();
  return true;
}

HBRUSH TButton::CtlColor(HDC) {
  return nullptr;
}

// TLabel

TLabel::TLabel(TComponent* AOwner) : TWinControl(AOwner) {
  SetParentColor(true);
  SetBounds(0, 0, 65, 17);
}

void TLabel::SetAlignment(TAlignment alignment) {
  if (alignment == alignment_) return;
  alignment_ = alignment;
  RecreateWnd();
}

void TLabel::CreateParams(TCreateParams& params) {
  TWinControl::CreateParams(params);
  params.SystemClass = L"STATIC";
  params.Style &= ~static_cast<DWORD>(WS_CLIPCHILDREN);
  params.Style |= alignment_ == taCenter         ? SS_CENTER
                  : alignment_ == taRightJustify ? SS_RIGHT
                                                 : SS_LEFT;
}

void RegisterCommonControls() {
  static bool registered = false;
  if (registered) return;
  using Init = BOOL(WINAPI*)(const INITCOMMONCONTROLSEX*);
  static const auto init = LateBound<Init>(L"comctl32.dll", "InitCommonControlsEx");
  // Exactly the classes the program makes: version 5 of the library refuses the flags it
  // does not know (ICC_STANDARD_CLASSES is version 6's).
  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_TAB_CLASSES | ICC_UPDOWN_CLASS};
  auto known = [](const wchar_t* name) {
    WNDCLASSEXW info{};
    info.cbSize = sizeof info;
    return GetClassInfoExW(GetModuleHandleW(nullptr), name, &info) != FALSE;
  };
  // A refusal that leaves both classes registered all the same (the library registers some
  // as it loads) harms nothing; without them the window cannot be made, so say why.
  registered = (init && init(&controls)) || (known(WC_TABCONTROLW) && known(UPDOWN_CLASSW));
  if (!registered) throw Exception("Cannot register the common controls");
}
