// Portable framework classes: string lists, components and their ownership, memory streams
// and the binary properties of stored descriptions.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "SysUtils.h"

class TObject {
 public:
  virtual ~TObject() = default;
};

using TNotifyEvent = std::function<void(TObject* Sender)>;

// OnChange fires once after every completed change (Clear of a non-empty list, Add,
// AddStrings, Assign, SetText, Delete, Insert, writing an item).
class TStringList : public TObject {
 public:
  TStringList() = default;
  TStringList(const TStringList& other) : TObject(), items_(other.items_) {}
  TStringList& operator=(const TStringList& other) {
    Assign(other);
    return *this;
  }

  int Count() const { return static_cast<int>(items_.size()); }
  // Out-of-range indexes raise "List index out of bounds (%d)".
  const std::string& operator[](int index) const;
  const std::string& Strings(int index) const { return (*this)[index]; }
  void Put(int index, std::string text);

  int Add(std::string text);
  void AddStrings(const TStringList& other);
  void Assign(const TStringList& other);
  void Insert(int index, std::string text);
  void Delete(int index);
  void Clear();

  // Every line followed by CR LF.
  std::string Text() const;
  // Splits at CR, LF or CR LF; a break at the very end adds no empty line.
  void SetText(std::string_view text);

  auto begin() const { return items_.begin(); }
  auto end() const { return items_.end(); }

  TNotifyEvent OnChange;

 private:
  void Changed() {
    if (OnChange) OnChange(this);
  }
  void SplitLines(std::string_view text);

  std::vector<std::string> items_;
};

class EReadError : public EStreamError {
 public:
  EReadError() : EStreamError("Stream read error") {}
};

class EWriteError : public EStreamError {
 public:
  EWriteError() : EStreamError("Stream write error") {}
};

// Raised by Assign between unrelated classes.
class EConvertError : public Exception {
 public:
  using Exception::Exception;
};

// Horizontal alignment of text in controls.
enum TAlignment { taLeftJustify, taRightJustify, taCenter };

enum TSeekOrigin { soBeginning, soCurrent, soEnd };

class TStream : public TObject {
 public:
  // Reads or writes up to count bytes at the position and moves it; returns the bytes moved.
  virtual int64_t Read(void* buffer, int64_t count) = 0;
  virtual int64_t Write(const void* buffer, int64_t count) = 0;
  // Returns the new position.
  virtual int64_t Seek(int64_t offset, TSeekOrigin origin) = 0;

  int64_t Position() { return Seek(0, soCurrent); }
  void SetPosition(int64_t position) { Seek(position, soBeginning); }
  virtual int64_t Size();
  virtual void SetSize(int64_t size) = 0;

  // All or nothing: raise "Stream read error" / "Stream write error" when short.
  void ReadBuffer(void* buffer, int64_t count);
  void WriteBuffer(const void* buffer, int64_t count);
  // Copies count bytes from source's position; count 0 copies all of source from its start.
  int64_t CopyFrom(TStream& source, int64_t count);
};

class TMemoryStream : public TStream {
 public:
  int64_t Read(void* buffer, int64_t count) override;
  int64_t Write(const void* buffer, int64_t count) override;
  int64_t Seek(int64_t offset, TSeekOrigin origin) override;
  int64_t Size() override { return static_cast<int64_t>(data_.size()); }
  void SetSize(int64_t size) override;

  // The bytes, valid until the size changes; null when empty.
  void* Memory() { return data_.empty() ? nullptr : data_.data(); }
  const void* Memory() const { return data_.empty() ? nullptr : data_.data(); }
  void Clear();

  // The whole of the stream or file replaces the content; the position ends at 0.
  void LoadFromStream(TStream& stream);
  // "Cannot open file %s" when the file cannot be opened.
  void LoadFromFile(const TPath& fileName);
  void SaveToStream(TStream& stream);
  // "Cannot create file %s" when the file cannot be created; a write that fails raises its
  // EInOutError and leaves an existing file as it was (see ReplacingFile.h).
  void SaveToFile(const TPath& fileName);

 private:
  std::vector<uint8_t> data_;
  int64_t position_ = 0;
};

using TStreamProc = std::function<void(TStream& stream)>;

// Reads or writes the extra properties a class stores beside its published ones.
class TFiler {
 public:
  virtual ~TFiler() = default;
  // A binary property is stored as a 32-bit byte count followed by the bytes; readData gets
  // a stream over the bytes, writeData fills one; hasData false stores nothing.
  virtual void DefineBinaryProperty(const std::string& name, const TStreamProc& readData,
                                    const TStreamProc& writeData, bool hasData) = 0;
};

class TPersistent : public TObject {
 public:
  // Copies source into this object; raises EConvertError for classes it does not know.
  virtual void Assign(TPersistent* source);

  // Hook for properties beyond the published ones.
  virtual void DefineProperties(TFiler& filer);

 protected:
  virtual void AssignTo(TPersistent* dest);
};

// Hands the stored value of a binary property to `instance` (no effect when it defines
// no property of that name).
void ReadBinaryProperty(TPersistent& instance, const std::string& name, const void* data,
                        size_t size);
// The value `instance` stores for a binary property; false when it stores none.
bool WriteBinaryProperty(TPersistent& instance, const std::string& name, TMemoryStream& value);

enum TComponentStateFlag : unsigned {
  csLoading = 1,     // stored properties are being applied
  csDesigning = 2,   // edited in a form designer
  csDestroying = 4,  // its destruction has begun
};
using TComponentState = unsigned;

enum TOperation { opInsert, opRemove };

class TComponent;

// Tells code that calls out to a handler whether the handler freed the component meanwhile.
class TFreeWatch {
 public:
  explicit TFreeWatch(TComponent* component);
  ~TFreeWatch();
  TFreeWatch(const TFreeWatch&) = delete;
  TFreeWatch& operator=(const TFreeWatch&) = delete;

  bool Freed() const { return component_ == nullptr; }

 private:
  friend class TComponent;
  TComponent* component_;
  TFreeWatch* next_;
};

// Owner of other components: they are destroyed with it, last created first.
class TComponent : public TPersistent {
 public:
  explicit TComponent(TComponent* AOwner);
  ~TComponent() override;
  TComponent(const TComponent&) = delete;
  TComponent& operator=(const TComponent&) = delete;

  TComponent* Owner() const { return owner_; }
  int ComponentCount() const { return static_cast<int>(components_.size()); }
  // Out-of-range indexes raise "List index out of bounds (%d)".
  TComponent* Components(int index) const;
  // Owned component of that name (case-insensitive, ANSI), or null.
  TComponent* FindComponent(const std::string& name) const;

  // Moves a component under this owner; every owned component is told (opInsert).
  void InsertComponent(TComponent* component);
  // Takes a component away without destroying it; the remaining ones are told (opRemove).
  void RemoveComponent(TComponent* component);
  void DestroyComponents();

  const std::string& Name() const { return name_; }
  void SetName(std::string name) { name_ = std::move(name); }
  intptr_t Tag() const { return tag_; }
  void SetTag(intptr_t tag) { tag_ = tag; }

  TComponentState ComponentState() const { return state_; }
  bool IsLoading() const { return (state_ & csLoading) != 0; }
  bool IsDesigning() const { return (state_ & csDesigning) != 0; }
  bool IsDestroying() const { return (state_ & csDestroying) != 0; }
  void SetDesigning(bool designing);

  // Marks this component and its owned ones as being loaded (components inserted meanwhile
  // are marked too); the framework's form creation calls it.
  void BeginLoading();
  // Runs once all stored properties of the owner have been applied; clears csLoading.
  virtual void Loaded();

 protected:
  // Told of every insertion and removal under the owner; passes it on to owned components.
  // Overrides see removals from their owned list only while they are alive as that class,
  // so a class that needs them calls DestroyComponents() in its own destructor.
  virtual void Notification(TComponent* AComponent, TOperation Operation);
  // Sets csDestroying on this component and all it owns.
  void Destroying();

 private:
  TComponent* owner_ = nullptr;
  std::vector<TComponent*> components_;
  std::string name_;
  intptr_t tag_ = 0;
  TComponentState state_ = 0;
  friend class TFreeWatch;
  TFreeWatch* watches_ = nullptr;
};
