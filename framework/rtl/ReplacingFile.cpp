#include "ReplacingFile.h"

#include <utility>

#include "SysUtils.h"

TReplacingFile::TReplacingFile(const PlatformServices& platform, TPath path)
    : platform_(platform), path_(std::move(path)), temporary_(path_ + ".tmp") {
  // Opened unchanged, as a direct write would open it: a target that could not be written
  // is refused here rather than replaced behind its back.
  try {
    platform_.OpenFile(path_, FileMode::ReadWrite);
  } catch (const EInOutError& e) {
    if (e.ErrorCode() != kErrorFileNotFound) throw;
  }
  file_ = platform_.OpenFile(temporary_, FileMode::Create);
}

TReplacingFile::~TReplacingFile() {
  if (!committed_) Discard();
}

void TReplacingFile::Write(const void* data, size_t count) {
  file_->Write(data, count);
}

void TReplacingFile::Commit() {
  try {
    file_->Flush();
    file_.reset();
    platform_.MoveFileOver(temporary_, path_);
    committed_ = true;
  } catch (...) {
    Discard();
    throw;
  }
}

void TReplacingFile::Discard() noexcept {
  file_.reset();
  platform_.RemoveFile(temporary_);
}
