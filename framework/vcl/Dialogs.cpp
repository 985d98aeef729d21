#include "Dialogs.h"

#include <commdlg.h>

#include <algorithm>
#include <vector>

#include "Controls.h"
#include "LateBound.h"
#include "Paths.h"
#include "WideText.h"

std::wstring DialogFilter(const std::string& filter) {
  std::wstring result = ToWide(filter);
  std::replace(result.begin(), result.end(), L'|', L'\0');
  if (result.empty()) return std::wstring(2, L'\0');
  result += L'\0';
  result += L'\0';
  return result;
}

TSaveDialog::TSaveDialog(TComponent* AOwner) : TComponent(AOwner) {}

bool TSaveDialog::Execute() {
  HWND owner = GetActiveWindow();
  if (auto* control = dynamic_cast<TWinControl*>(Owner()); control && control->HandleAllocated())
    owner = control->TopParent()->Handle();

  // The longest path the wide calls take.
  std::vector<wchar_t> file(32768, L'\0');
  const std::wstring initialName = PathToWide(fileName_);
  std::copy_n(initialName.begin(), std::min(initialName.size(), file.size() - 1), file.begin());
  const std::wstring filter = DialogFilter(filter_);
  const std::wstring folder = PathToWide(initialDir_);
  const std::wstring extension = PathToWide(defaultExt_);
  const std::wstring title = ToWide(title_);

  OPENFILENAMEW ofn{};
  ofn.lStructSize = sizeof ofn;
  ofn.hwndOwner = owner;
  ofn.lpstrFilter = filter_.empty() ? nullptr : filter.c_str();
  ofn.nFilterIndex = 1;
  ofn.lpstrFile = file.data();
  ofn.nMaxFile = static_cast<DWORD>(file.size());
  ofn.lpstrInitialDir = folder.empty() ? nullptr : folder.c_str();
  ofn.lpstrTitle = title.empty() ? nullptr : title.c_str();
  ofn.lpstrDefExt = extension.empty() ? nullptr : extension.c_str();
  ofn.Flags =
      OFN_EXPLORER | OFN_ENABLESIZING | OFN_HIDEREADONLY | OFN_PATHMUSTEXIST | OFN_NOCHANGEDIR;
  // The dialog's library (with the printing and security libraries it brings) is loaded
  // when a dialog is first run, not at start-up.
  using Run = BOOL(WINAPI*)(OPENFILENAMEW*);
  static const auto run = LateBound<Run>(L"comdlg32.dll", "GetSaveFileNameW");
  if (!run) throw Exception("Cannot load comdlg32.dll");
  // A cancel, or a dialog the system could not show, chooses nothing either way.
  if (!run(&ofn)) return false;
  fileName_ = PathFromWide(file.data());
  return true;
}
