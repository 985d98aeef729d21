#include "Classes.h"

#include <cxxabi.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <optional>
#include <typeinfo>

#include "Platform.h"
#include "ReplacingFile.h"

const std::string& TStringList::operator[](int index) const {
  if (index < 0 || index >= Count()) throw EListError(index);
  return items_[static_cast<size_t>(index)];
}

void TStringList::Put(int index, std::string text) {
  if (index < 0 || index >= Count()) throw EListError(index);
  items_[static_cast<size_t>(index)] = std::move(text);
  Changed();
}

int TStringList::Add(std::string text) {
  items_.push_back(std::move(text));
  Changed();
  return Count() - 1;
}

void TStringList::AddStrings(const TStringList& other) {
  if (&other == this) {
    std::vector<std::string> copy = items_;
    items_.insert(items_.end(), copy.begin(), copy.end());
  } else {
    items_.insert(items_.end(), other.items_.begin(), other.items_.end());
  }
  Changed();
}

void TStringList::Assign(const TStringList& other) {
  if (&other == this) return;
  items_ = other.items_;
  Changed();
}

void TStringList::Insert(int index, std::string text) {
  if (index < 0 || index > Count()) throw EListError(index);
  items_.insert(items_.begin() + index, std::move(text));
  Changed();
}

void TStringList::Delete(int index) {
  if (index < 0 || index >= Count()) throw EListError(index);
  items_.erase(items_.begin() + index);
  Changed();
}

void TStringList::Clear() {
  if (items_.empty()) return;
  items_.clear();
  Changed();
}

std::string TStringList::Text() const {
  std::string text;
  for (const auto& line : items_) {
    text += line;
    text += "\r\n";
  }
  return text;
}

void TStringList::SetText(std::string_view text) {
  items_.clear();
  SplitLines(text);
  Changed();
}

void TStringList::SplitLines(std::string_view text) {
  size_t i = 0;
  while (i < text.size()) {
    size_t end = text.find_first_of("\r\n", i);
    if (end == std::string_view::npos) {
      items_.emplace_back(text.substr(i));
      break;
    }
    items_.emplace_back(text.substr(i, end - i));
    i = end + 1;
    if (text[end] == '\r' && i < text.size() && text[i] == '\n') ++i;
  }
}

// Streams

int64_t TStream::Size() {
  int64_t position = Seek(0, soCurrent);
  int64_t size = Seek(0, soEnd);
  Seek(position, soBeginning);
  return size;
}

void TStream::ReadBuffer(void* buffer, int64_t count) {
  if (count != 0 && Read(buffer, count) != count) throw EReadError();
}

void TStream::WriteBuffer(const void* buffer, int64_t count) {
  if (count != 0 && Write(buffer, count) != count) throw EWriteError();
}

int64_t TStream::CopyFrom(TStream& source, int64_t count) {
  if (count == 0) {
    source.SetPosition(0);
    count = source.Size();
  }
  constexpr int64_t kChunk = 64 * 1024;
  std::vector<uint8_t> buffer(static_cast<size_t>(std::min(count, kChunk)));
  int64_t left = count;
  while (left > 0) {
    int64_t n = std::min(left, kChunk);
    source.ReadBuffer(buffer.data(), n);
    WriteBuffer(buffer.data(), n);
    left -= n;
  }
  return count;
}

int64_t TMemoryStream::Read(void* buffer, int64_t count) {
  if (count <= 0 || position_ < 0 || position_ >= Size()) return 0;
  int64_t n = std::min(count, Size() - position_);
  std::memcpy(buffer, data_.data() + position_, static_cast<size_t>(n));
  position_ += n;
  return n;
}

int64_t TMemoryStream::Write(const void* buffer, int64_t count) {
  if (count <= 0 || position_ < 0) return 0;
  int64_t end = position_ + count;
  if (end > Size()) data_.resize(static_cast<size_t>(end));
  std::memcpy(data_.data() + position_, buffer, static_cast<size_t>(count));
  position_ = end;
  return count;
}

int64_t TMemoryStream::Seek(int64_t offset, TSeekOrigin origin) {
  switch (origin) {
    case soBeginning:
      position_ = offset;
      break;
    case soCurrent:
      position_ += offset;
      break;
    case soEnd:
      position_ = Size() + offset;
      break;
  }
  return position_;
}

void TMemoryStream::SetSize(int64_t size) {
  data_.resize(static_cast<size_t>(std::max<int64_t>(size, 0)));
  if (position_ > Size()) position_ = Size();
}

void TMemoryStream::Clear() {
  data_.clear();
  data_.shrink_to_fit();
  position_ = 0;
}

void TMemoryStream::LoadFromStream(TStream& stream) {
  stream.SetPosition(0);
  int64_t size = stream.Size();
  std::vector<uint8_t> data(static_cast<size_t>(size));
  stream.ReadBuffer(data.data(), size);
  data_ = std::move(data);
  position_ = 0;
}

void TMemoryStream::LoadFromFile(const TPath& fileName) {
  std::unique_ptr<PlatformFile> file;
  try {
    file = Platform().OpenFile(fileName, FileMode::Read);
  } catch (const EInOutError&) {
    throw EFOpenError(fileName);
  }
  uint64_t size = file->Size();
  std::vector<uint8_t> data(static_cast<size_t>(size));
  size_t done = 0;
  while (done < data.size()) {
    size_t n = file->Read(data.data() + done, data.size() - done);
    if (n == 0) throw EReadError();
    done += n;
  }
  data_ = std::move(data);
  position_ = 0;
}

void TMemoryStream::SaveToStream(TStream& stream) {
  stream.WriteBuffer(data_.data(), Size());
}

void TMemoryStream::SaveToFile(const TPath& fileName) {
  std::optional<TReplacingFile> file;
  try {
    file.emplace(Platform(), fileName);
  } catch (const EInOutError&) {
    throw EFCreateError(fileName);
  }
  file->Write(data_.data(), data_.size());
  file->Commit();
}

// Persistent objects and stored properties

static std::string ClassNameOf(const TObject* object) {
  if (!object) return "nil";
  const char* name = typeid(*object).name();
  int status = 0;
  std::unique_ptr<char, void (*)(void*)> demangled(
      abi::__cxa_demangle(name, nullptr, nullptr, &status), std::free);
  return status == 0 && demangled ? demangled.get() : name;
}

static EConvertError AssignError(const TObject* source, const TObject* dest) {
  return EConvertError("Cannot assign a " + ClassNameOf(source) + " to a " + ClassNameOf(dest));
}

void TPersistent::Assign(TPersistent* source) {
  if (!source) throw AssignError(nullptr, this);
  source->AssignTo(this);
}

void TPersistent::AssignTo(TPersistent* dest) {
  throw AssignError(this, dest);
}

void TPersistent::DefineProperties(TFiler&) {}

namespace {

class BinaryReader : public TFiler {
 public:
  BinaryReader(const std::string& name, const void* data, size_t size) : name_(name) {
    value_.WriteBuffer(data, static_cast<int64_t>(size));
    value_.SetPosition(0);
  }
  void DefineBinaryProperty(const std::string& name, const TStreamProc& readData,
                            const TStreamProc&, bool) override {
    if (name == name_ && readData) readData(value_);
  }

 private:
  std::string name_;
  TMemoryStream value_;
};

class BinaryWriter : public TFiler {
 public:
  BinaryWriter(const std::string& name, TMemoryStream& value) : name_(name), value_(value) {}
  void DefineBinaryProperty(const std::string& name, const TStreamProc&,
                            const TStreamProc& writeData, bool hasData) override {
    if (name != name_ || !hasData || !writeData) return;
    value_.Clear();
    writeData(value_);
    value_.SetPosition(0);
    stored_ = true;
  }
  bool Stored() const { return stored_; }

 private:
  std::string name_;
  TMemoryStream& value_;
  bool stored_ = false;
};

}  // namespace

void ReadBinaryProperty(TPersistent& instance, const std::string& name, const void* data,
                        size_t size) {
  BinaryReader reader(name, data, size);
  instance.DefineProperties(reader);
}

bool WriteBinaryProperty(TPersistent& instance, const std::string& name, TMemoryStream& value) {
  BinaryWriter writer(name, value);
  instance.DefineProperties(writer);
  return writer.Stored();
}

// Components

TComponent::TComponent(TComponent* AOwner) {
  if (AOwner) AOwner->InsertComponent(this);
}

TComponent::~TComponent() {
  Destroying();
  DestroyComponents();
  if (owner_) owner_->RemoveComponent(this);
  for (TFreeWatch* watch = watches_; watch; watch = watch->next_) watch->component_ = nullptr;
}

TFreeWatch::TFreeWatch(TComponent* component) : component_(component), next_(nullptr) {
  if (!component_) return;
  next_ = component_->watches_;
  component_->watches_ = this;
}

TFreeWatch::~TFreeWatch() {
  if (!component_) return;
  for (TFreeWatch** link = &component_->watches_; *link; link = &(*link)->next_)
    if (*link == this) {
      *link = next_;
      return;
    }
}

TComponent* TComponent::Components(int index) const {
  if (index < 0 || index >= ComponentCount()) throw EListError(index);
  return components_[static_cast<size_t>(index)];
}

TComponent* TComponent::FindComponent(const std::string& name) const {
  if (name.empty()) return nullptr;
  std::string wanted = AnsiUpperCase(name);
  for (TComponent* component : components_)
    if (AnsiUpperCase(component->name_) == wanted) return component;
  return nullptr;
}

void TComponent::InsertComponent(TComponent* component) {
  if (!component || component->owner_ == this) return;
  if (component->owner_) component->owner_->RemoveComponent(component);
  components_.push_back(component);
  component->owner_ = this;
  if (IsLoading()) component->state_ |= csLoading;
  if (IsDesigning()) component->SetDesigning(true);
  Notification(component, opInsert);
}

void TComponent::RemoveComponent(TComponent* component) {
  auto it = std::find(components_.begin(), components_.end(), component);
  if (it == components_.end()) return;
  components_.erase(it);
  component->owner_ = nullptr;
  Notification(component, opRemove);
}

void TComponent::DestroyComponents() {
  while (!components_.empty()) delete components_.back();
}

void TComponent::Notification(TComponent* AComponent, TOperation Operation) {
  // A copy: a component may create or free others while it is told.
  std::vector<TComponent*> owned = components_;
  for (auto it = owned.rbegin(); it != owned.rend(); ++it) {
    if (std::find(components_.begin(), components_.end(), *it) != components_.end())
      (*it)->Notification(AComponent, Operation);
  }
}

void TComponent::Destroying() {
  if (IsDestroying()) return;
  state_ |= csDestroying;
  for (TComponent* component : components_) component->Destroying();
}

void TComponent::SetDesigning(bool designing) {
  if (designing)
    state_ |= csDesigning;
  else
    state_ &= ~csDesigning;
  for (TComponent* component : components_) component->SetDesigning(designing);
}

void TComponent::BeginLoading() {
  state_ |= csLoading;
  for (TComponent* component : components_) component->BeginLoading();
}

void TComponent::Loaded() {
  state_ &= ~csLoading;
}
