#include "FileCtrl.h"

#include <algorithm>
#include <string_view>

#include "Handles.h"
#include "Paths.h"
#include "WideText.h"

namespace {

bool SameFolder(const TPath& a, const TPath& b) {
  const std::wstring wa = PathToWide(a), wb = PathToWide(b);
  return CompareStringOrdinal(wa.data(), static_cast<int>(wa.size()), wb.data(),
                              static_cast<int>(wb.size()), TRUE) == CSTR_EQUAL;
}

std::wstring JoinPath(const TPath& folder, std::wstring_view name) {
  std::wstring path = PathToWide(folder);
  if (!path.empty() && path.back() != L'\\' && path.back() != L'/' && path.back() != L':')
    path += L'\\';
  return path.append(name);
}

std::vector<std::wstring> SplitMask(const std::string& mask) {
  std::vector<std::wstring> parts;
  size_t start = 0;
  while (start <= mask.size()) {
    size_t end = mask.find(';', start);
    if (end == std::string::npos) end = mask.size();
    std::string part = mask.substr(start, end - start);
    part.erase(0, part.find_first_not_of(' '));
    part.erase(part.find_last_not_of(' ') + 1);
    if (!part.empty()) parts.push_back(PathToWide(part));
    start = end + 1;
  }
  return parts;
}

}  // namespace

TFileListBox::TFileListBox(TComponent* AOwner) : TWinControl(AOwner) {
  SetTabStop(true);
  SetColor(clWindow);
  SetBounds(0, 0, 145, 97);
}

std::vector<std::wstring> TFileListBox::ReadEntries(const TPath& directory) const {
  const std::wstring folder = PathToWide(directory);
  const DWORD attributes = GetFileAttributesW(folder.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) throw EInOutError(static_cast<int>(GetLastError()));
  if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) throw EInOutError(ERROR_DIRECTORY);

  std::vector<std::wstring> names;
  for (const std::wstring& mask : SplitMask(mask_)) {
    WIN32_FIND_DATAW found{};
    FindHandle find(FindFirstFileW(JoinPath(directory, mask).c_str(), &found));
    if (!find) {
      const DWORD error = GetLastError();
      if (error == ERROR_FILE_NOT_FOUND || error == ERROR_NO_MORE_FILES) continue;
      throw EInOutError(static_cast<int>(error));
    }
    do {
      std::wstring name = found.cFileName;
      if (name == L"." || name == L"..") continue;
      // A name matched by two masks is listed once.
      if (std::find(names.begin(), names.end(), name) == names.end())
        names.push_back(std::move(name));
    } while (FindNextFileW(find.get(), &found));
  }
  return names;
}

void TFileListBox::SetDirectory(const TPath& directory) {
  if (SameFolder(directory, directory_)) return;
  std::vector<std::wstring> names = ReadEntries(directory);
  directory_ = directory;
  Fill(std::move(names));
}

void TFileListBox::SetMask(const std::string& mask) {
  if (mask == mask_) return;
  mask_ = mask;
  Update();
}

void TFileListBox::Update() {
  std::vector<std::wstring> names;
  try {
    if (!directory_.Empty()) names = ReadEntries(directory_);
  } catch (...) {
    // What was listed may be gone with the folder: the list shows nothing, and has changed.
    Fill({});
    throw;
  }
  Fill(std::move(names));
}

void TFileListBox::Fill(std::vector<std::wstring> names) {
  names_ = std::move(names);
  itemIndex_ = -1;
  if (HandleAllocated()) {
    HWND window = Handle();
    SendMessageW(window, WM_SETREDRAW, FALSE, 0);
    SendMessageW(window, LB_RESETCONTENT, 0, 0);
    for (const std::wstring& name : names_)
      SendMessageW(window, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name.c_str()));
    SendMessageW(window, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(window, nullptr, TRUE);
  }
  Change();
}

std::string TFileListBox::Items(int index) const {
  if (index < 0 || index >= Count()) throw EListError(index);
  return FromWide(names_[static_cast<size_t>(index)]);
}

int TFileListBox::ItemIndex() const {
  if (!HandleAllocated()) return itemIndex_;
  return static_cast<int>(
      SendMessageW(const_cast<TFileListBox*>(this)->Handle(), LB_GETCURSEL, 0, 0));
}

void TFileListBox::SetItemIndex(int index) {
  if (index < 0 || index >= Count()) index = -1;
  if (index == ItemIndex()) return;
  itemIndex_ = index;
  if (HandleAllocated()) SendMessageW(Handle(), LB_SETCURSEL, static_cast<WPARAM>(index), 0);
  Change();
}

TPath TFileListBox::FileName() const {
  const int index = ItemIndex();
  if (index < 0 || index >= Count()) return {};
  return PathFromWide(JoinPath(directory_, names_[static_cast<size_t>(index)]));
}

void TFileListBox::Change() {
  if (OnChange) OnChange(this);
}

void TFileListBox::CreateParams(TCreateParams& params) {
  TWinControl::CreateParams(params);
  params.SystemClass = L"LISTBOX";
  params.Style |= LBS_NOTIFY | LBS_HASSTRINGS | LBS_NOINTEGRALHEIGHT | WS_VSCROLL |
                  (TabStop() ? WS_TABSTOP : 0);
  params.ExStyle |= WS_EX_CLIENTEDGE;
}

void TFileListBox::CreateWnd() {
  TWinControl::CreateWnd();
  HWND window = Handle();
  for (const std::wstring& name : names_)
    SendMessageW(window, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name.c_str()));
  if (itemIndex_ >= 0) SendMessageW(window, LB_SETCURSEL, static_cast<WPARAM>(itemIndex_), 0);
}

bool TFileListBox::Command(WORD code) {
  if (code != LBN_SELCHANGE) return false;
  itemIndex_ = ItemIndex();
  Change();
  return true;
}
