// A list box of the entries of one folder that match a mask.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "Controls.h"
#include "FilePath.h"

// LISTBOX. Lists every entry of Directory whose name matches Mask (files of any attribute
// and sub-folders; not "." and ".."), in the order the system enumerates them. Reading the
// folder again leaves nothing selected and fires OnChange, also when there is nothing to
// read. The process's current directory is never used or changed. Directory and FileName
// are paths for the narrow file calls (Paths.h); the list shows the names as the system has
// them.
class TFileListBox : public TWinControl {
 public:
  explicit TFileListBox(TComponent* AOwner);

  // The folder as set. Setting another folder (compared without regard to case) reads it; a folder
  // that cannot be read raises EInOutError with the system's code and changes nothing.
  const TPath& Directory() const { return directory_; }
  void SetDirectory(const TPath& directory);
  // Wildcards; several separated by ";". "*.*" at first. A new mask reads the folder again.
  const std::string& Mask() const { return mask_; }
  void SetMask(const std::string& mask);
  // Reads the folder again. No folder set lists nothing; a folder that cannot be read lists
  // nothing and raises EInOutError with the system's code.
  void Update();

  int Count() const { return static_cast<int>(names_.size()); }
  // The entry's name as shown, in Windows-1251; out-of-range indexes raise "List index out of
  // bounds (%d)".
  std::string Items(int index) const;
  // -1 when nothing is selected.
  int ItemIndex() const;
  void SetItemIndex(int index);
  // The full path of the selected entry; empty when none is selected.
  TPath FileName() const;

  // The selection changed (by the user or by SetItemIndex), or the folder was read again.
  TNotifyEvent OnChange;

 protected:
  void CreateParams(TCreateParams& params) override;
  void CreateWnd() override;
  bool Command(WORD code) override;

 private:
  // The entries, or raises EInOutError.
  std::vector<std::wstring> ReadEntries(const TPath& directory) const;
  void Fill(std::vector<std::wstring> names);
  void Change();

  TPath directory_;
  std::string mask_ = "*.*";
  std::vector<std::wstring> names_;
  int itemIndex_ = -1;  // while there is no window
};
