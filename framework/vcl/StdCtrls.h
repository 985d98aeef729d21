// The platform's own edit, multi-line edit, button and label controls as thin wrappers.
#pragma once

#include <windows.h>

#include <string>

#include "Controls.h"

enum TEditCharCase { ecNormal, ecUpperCase, ecLowerCase };
enum TScrollStyle { ssNone, ssHorizontal, ssVertical, ssBoth };

class TCustomEdit : public TWinControl {
 public:
  explicit TCustomEdit(TComponent* AOwner);

  std::string Text() const { return GetText(); }
  void SetText(const std::string& text) { TWinControl::SetText(text); }
  void Clear() { SetText(""); }

  // bsNone or bsSingle; the window is made anew when it exists.
  TFormBorderStyle BorderStyle() const { return borderStyle_; }
  void SetBorderStyle(TFormBorderStyle style);
  // The control converts what is typed (ES_UPPERCASE, ES_LOWERCASE).
  TEditCharCase CharCase() const { return charCase_; }
  void SetCharCase(TEditCharCase charCase);
  // The height is never fitted to the font; kept for the form descriptions that set it.
  bool AutoSize() const { return false; }
  void SetAutoSize(bool) {}

  // EN_CHANGE.
  TNotifyEvent OnChange;

 protected:
  void CreateParams(TCreateParams& params) override;
  bool Command(WORD code) override;

 private:
  TFormBorderStyle borderStyle_ = bsSingle;
  TEditCharCase charCase_ = ecNormal;
};

// A one-line edit. Enter, Escape and Tab are never typed into it, so the control does not
// beep at them.
class TEdit : public TCustomEdit {
 public:
  explicit TEdit(TComponent* AOwner);

 protected:
  void KeyPress(char& key) override;
};

class TMemo;

// The lines of a memo as the control displays them: a line that word wrap breaks counts as
// several.
class TMemoLines {
 public:
  explicit TMemoLines(TMemo& memo) : memo_(memo) {}
  // Display lines; a line break at the very end adds no empty line.
  int Count() const;
  // Out-of-range indexes raise "List index out of bounds (%d)".
  std::string Strings(int index) const;
  std::string operator[](int index) const { return Strings(index); }
  // Appends one line (with its line break) at the end of the text.
  void Add(const std::string& line);
  void Clear();
  // Every line followed by CR LF, as the control holds it.
  std::string Text() const;
  void SetText(const std::string& text);

 private:
  TMemo& memo_;
};

class TMemo : public TCustomEdit {
 public:
  explicit TMemo(TComponent* AOwner);

  TMemoLines* Lines() { return &lines_; }

  bool WordWrap() const { return wordWrap_; }
  void SetWordWrap(bool wordWrap);
  TScrollStyle ScrollBars() const { return scrollBars_; }
  void SetScrollBars(TScrollStyle scrollBars);
  TAlignment Alignment() const { return alignment_; }
  void SetAlignment(TAlignment alignment);
  // Enter starts a new line (true) or goes to the form's default button; Tab goes to the
  // next control (false) or is typed.
  bool WantReturns() const { return wantReturns_; }
  void SetWantReturns(bool want) { wantReturns_ = want; }
  bool WantTabs() const { return wantTabs_; }
  void SetWantTabs(bool want) { wantTabs_ = want; }

 protected:
  void CreateParams(TCreateParams& params) override;
  bool WantsKey(WORD key) override;

 private:
  TMemoLines lines_{*this};
  bool wordWrap_ = true;
  TScrollStyle scrollBars_ = ssNone;
  TAlignment alignment_ = taLeftJustify;
  bool wantReturns_ = true;
  bool wantTabs_ = false;
};

class TButton : public TWinControl {
 public:
  explicit TButton(TComponent* AOwner);

  std::string Caption() const { return GetText(); }
  void SetCaption(const std::string& caption) { SetText(caption); }
  // Enter in the form clicks the default button, Escape the cancel button.
  bool Default() const { return default_; }
  void SetDefault(bool value);
  bool Cancel() const { return cancel_; }
  void SetCancel(bool value) { cancel_ = value; }

 protected:
  void CreateParams(TCreateParams& params) override;
  bool Command(WORD code) override;
  HBRUSH CtlColor(HDC dc) override;

 private:
  bool default_ = false;
  bool cancel_ = false;
};

// A static text; its colour is the font's, its background the control's colour.
class TLabel : public TWinControl {
 public:
  explicit TLabel(TComponent* AOwner);

  std::string Caption() const { return GetText(); }
  void SetCaption(const std::string& caption) { SetText(caption); }
  TAlignment Alignment() const { return alignment_; }
  void SetAlignment(TAlignment alignment);

 protected:
  void CreateParams(TCreateParams& params) override;

 private:
  TAlignment alignment_ = taLeftJustify;
};

// Registers the common controls (tab control, up-down); the controls that are made of them
// call it before their windows are made. The library is loaded then, not at start-up: a
// program that never shows one does not pay for it. Raises an error when the library
// cannot provide them; tries again at the next call.
void RegisterCommonControls();
