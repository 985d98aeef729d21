// A file written whole so that a failure loses nothing: the bytes go to a temporary file
// beside the target, which replaces the target in one step only once it is complete.
//
//   TReplacingFile file(Platform(), path);  // raises if the file could not be written
//   file.Write(bytes.data(), bytes.size());
//   file.Commit();                          // without it the target stays as it was
#pragma once

#include <cstddef>
#include <memory>
#include <string>

#include "Platform.h"

class TReplacingFile {
 public:
  // Creates the temporary, the target's path with ".tmp" added. Raises EInOutError with the
  // system's code, leaving nothing behind, when it cannot be made or when an existing target
  // could not be written in place (read-only, a folder, in use): replacing it must not get
  // round that.
  TReplacingFile(const PlatformServices& platform, TPath path);
  // Without a Commit the temporary is removed.
  ~TReplacingFile();
  TReplacingFile(const TReplacingFile&) = delete;
  TReplacingFile& operator=(const TReplacingFile&) = delete;

  // All bytes or EInOutError (a full disk included); only before Commit.
  void Write(const void* data, size_t count);
  // Flushes and closes the temporary and moves it over the target. On failure the temporary
  // is gone and the target is as it was.
  void Commit();

 private:
  void Discard() noexcept;

  const PlatformServices& platform_;
  TPath path_;
  TPath temporary_;
  std::unique_ptr<PlatformFile> file_;
  bool committed_ = false;
};
