// Temporary Brain folders and a platform whose files can be made to fail.
#pragma once

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>

#include "Platform.h"
#include "SysUtils.h"

namespace testing_support {

inline std::string ReadBytes(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void WriteBytes(const std::filesystem::path& path, std::string_view bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

// A fresh folder under the system's temporary folder, removed afterwards.
class TempFolder {
 public:
  TempFolder() {
    static std::atomic<int> counter{0};
    const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string name = "qv-brain-" +
                       std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "-" +
                       std::to_string(counter++);
    if (test) name += std::string("-") + test->name();
    for (char& c : name)
      if (!std::isalnum(static_cast<unsigned char>(c)) && c != '-') c = '_';
    path_ = std::filesystem::temp_directory_path() / name;
    std::filesystem::remove_all(path_);
    std::filesystem::create_directories(path_);
  }
  ~TempFolder() {
    std::error_code ignored;
    std::filesystem::permissions(path_, std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, ignored);
    std::filesystem::remove_all(path_, ignored);
  }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  const std::filesystem::path& Path() const { return path_; }
  // The path as the program writes it: backslash separated below the folder.
  std::string File(const std::string& relative) const { return Folder() + relative; }
  // The folder with its trailing separator, as an application folder.
  std::string Folder() const { return path_.string() + "\\"; }

 private:
  std::filesystem::path path_;
};

// Forwards to the native services; reads can be cut short and writes made to fail.
class FakePlatform final : public PlatformServices {
 public:
  size_t maxRead = 0;  // 0: unlimited
  // A full disk: a file may grow by this many bytes beyond its size when opened.
  std::optional<uint64_t> growthLimit;
  // Any other write error: after this many bytes every write fails.
  std::optional<size_t> writeBudget;
  int writeError = 1117;
  // Files cannot be created (a folder that takes no new files).
  std::optional<int> createError;
  std::optional<int> flushError;
  std::optional<int> replaceError;
  std::string date = "01.02.2003";
  TimeOfDay time{13, 45, 30, 250};
  int opens = 0;

  void UpperCaseBuffer(char* text, size_t length) const override {
    NativePlatform().UpperCaseBuffer(text, length);
  }
  void LowerCaseBuffer(char* text, size_t length) const override {
    NativePlatform().LowerCaseBuffer(text, length);
  }
  std::string ShortDate() const override { return date; }
  TimeOfDay UtcTimeOfDay() const override { return time; }

  std::unique_ptr<PlatformFile> OpenFile(const TPath& path, FileMode mode) const override {
    ++const_cast<FakePlatform*>(this)->opens;
    if (createError && mode == FileMode::Create) throw EInOutError(*createError);
    return std::make_unique<File>(NativePlatform().OpenFile(path, mode),
                                  const_cast<FakePlatform&>(*this));
  }
  void MoveFileOver(const TPath& from, const TPath& to) const override {
    if (replaceError) throw EInOutError(*replaceError);
    NativePlatform().MoveFileOver(from, to);
  }
  void RemoveFile(const TPath& path) const noexcept override { NativePlatform().RemoveFile(path); }
  bool FileExists(const TPath& path) const override { return NativePlatform().FileExists(path); }

 private:
  class File final : public PlatformFile {
   public:
    File(std::unique_ptr<PlatformFile> inner, FakePlatform& owner)
        : inner_(std::move(inner)), owner_(owner), limit_(inner_->Size()) {
      if (owner_.growthLimit) limit_ += *owner_.growthLimit;
    }
    size_t Read(void* buffer, size_t count) override {
      if (owner_.maxRead) count = std::min(count, owner_.maxRead);
      size_t done = inner_->Read(buffer, count);
      position_ += done;
      return done;
    }
    void Write(const void* data, size_t count) override {
      size_t allowed = count;
      int error = 0;
      if (owner_.growthLimit && position_ + allowed > limit_) {
        allowed = position_ >= limit_ ? 0 : static_cast<size_t>(limit_ - position_);
        error = kErrorDiskFull;
      }
      if (owner_.writeBudget && allowed > *owner_.writeBudget) {
        allowed = *owner_.writeBudget;
        error = owner_.writeError;
      }
      inner_->Write(data, allowed);
      position_ += allowed;
      if (owner_.writeBudget) *owner_.writeBudget -= allowed;
      if (error) throw EInOutError(error);
    }
    uint64_t Size() override { return inner_->Size(); }
    void Seek(uint64_t position) override {
      inner_->Seek(position);
      position_ = position;
    }
    void Truncate() override { inner_->Truncate(); }
    void Flush() override {
      if (owner_.flushError) throw EInOutError(*owner_.flushError);
      inner_->Flush();
    }

   private:
    std::unique_ptr<PlatformFile> inner_;
    FakePlatform& owner_;
    uint64_t limit_;
    uint64_t position_ = 0;
  };
};

// Installs a FakePlatform for the test's lifetime.
class FakePlatformTest : public ::testing::Test {
 protected:
  FakePlatformTest() { SetPlatform(fake); }
  ~FakePlatformTest() override { SetPlatform(NativePlatform()); }

  FakePlatform fake;
  TempFolder folder;
};

}  // namespace testing_support
