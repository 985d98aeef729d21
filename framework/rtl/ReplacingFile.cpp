#include "ReplacingFile.h"

#include <utility>

#include "SysUtils.h"

TReplacingFile::TReplacingFile(const PlatformServices& platform, std::string path)
    : platform_(platform), path_(std::move(path)), temporary_(TemporaryFor(path_)) {
  // Opened in place, without a change, as writing it directly would have opened it.
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
