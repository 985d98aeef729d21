// The platform's save-file dialog.
#pragma once

#include <windows.h>

#include <string>

#include "Classes.h"
#include "FilePath.h"

// GetSaveFileNameW, modal over the owning form. An existing file is chosen without asking;
// the process's current directory is left alone. InitialDir and FileName are paths for the
// narrow file calls (Paths.h).
class TSaveDialog : public TComponent {
 public:
  explicit TSaveDialog(TComponent* AOwner);

  // Added, after a dot, to a name chosen without an extension; empty adds nothing.
  const std::string& DefaultExt() const { return defaultExt_; }
  void SetDefaultExt(const std::string& extension) { defaultExt_ = extension; }
  // "description|mask|description|mask...".
  const std::string& Filter() const { return filter_; }
  void SetFilter(const std::string& filter) { filter_ = filter; }
  const TPath& InitialDir() const { return initialDir_; }
  void SetInitialDir(const TPath& folder) { initialDir_ = folder; }
  // The name shown at first; after Execute the full path chosen.
  const TPath& FileName() const { return fileName_; }
  void SetFileName(const TPath& fileName) { fileName_ = fileName; }
  // The dialog's caption; empty: the system's own.
  const std::string& Title() const { return title_; }
  void SetTitle(const std::string& title) { title_ = title; }

  // Shows the dialog; false when the user cancels it (or the system cannot show it).
  bool Execute();

 private:
  std::string defaultExt_, filter_, title_;
  TPath initialDir_, fileName_;
};

// The filter in the system's form: each part ended by a null, the whole by another.
std::wstring DialogFilter(const std::string& filter);
