#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Classes.h"

namespace {

std::vector<std::string> events;

class Probe : public TComponent {
 public:
  Probe(TComponent* owner, std::string name) : TComponent(owner) { SetName(std::move(name)); }
  ~Probe() override {
    events.push_back("free " + Name());
    // Told of removals while alive as a Probe.
    DestroyComponents();
  }
  void Loaded() override {
    TComponent::Loaded();
    events.push_back("loaded " + Name());
  }

 protected:
  void Notification(TComponent* component, TOperation operation) override {
    TComponent::Notification(component, operation);
    events.push_back(Name() + (operation == opInsert ? " +" : " -") + component->Name());
  }
};

class ComponentTest : public ::testing::Test {
 protected:
  void SetUp() override { events.clear(); }
};

TEST_F(ComponentTest, OwnedComponentsAreDestroyedWithTheOwnerLastFirst) {
  auto* owner = new Probe(nullptr, "owner");
  new Probe(owner, "a");
  new Probe(owner, "b");
  new Probe(owner, "c");
  EXPECT_EQ(owner->ComponentCount(), 3);
  events.clear();
  delete owner;
  std::vector<std::string> frees;
  for (const auto& e : events)
    if (e.rfind("free ", 0) == 0) frees.push_back(e);
  EXPECT_EQ(frees, (std::vector<std::string>{"free owner", "free c", "free b", "free a"}));
}

TEST_F(ComponentTest, InsertionAndRemovalAreToldToOwnerAndSiblings) {
  Probe owner(nullptr, "owner");
  auto* a = new Probe(nullptr, "a");
  auto* b = new Probe(nullptr, "b");
  owner.InsertComponent(a);
  EXPECT_EQ(events, (std::vector<std::string>{"a +a", "owner +a"}));
  events.clear();
  owner.InsertComponent(b);
  EXPECT_EQ(events, (std::vector<std::string>{"b +b", "a +b", "owner +b"}));
  events.clear();
  delete a;
  // The removed one is not told of its own removal; its sibling and owner are.
  EXPECT_EQ(events, (std::vector<std::string>{"free a", "b -a", "owner -a"}));
  EXPECT_EQ(owner.ComponentCount(), 1);
  EXPECT_EQ(owner.Components(0), b);
  EXPECT_THROW(owner.Components(1), EListError);
}

TEST_F(ComponentTest, MovingToAnotherOwnerAndFinding) {
  TComponent first(nullptr), second(nullptr);
  auto* c = new TComponent(&first);
  c->SetName("Edit1");
  c->SetTag(7);
  EXPECT_EQ(first.FindComponent("EDIT1"), c);
  EXPECT_EQ(first.FindComponent(""), nullptr);
  second.InsertComponent(c);
  EXPECT_EQ(c->Owner(), &second);
  EXPECT_EQ(first.ComponentCount(), 0);
  EXPECT_EQ(second.FindComponent("edit1"), c);
  second.RemoveComponent(c);
  EXPECT_EQ(c->Owner(), nullptr);
  EXPECT_EQ(c->Tag(), 7);
  delete c;
}

TEST_F(ComponentTest, LoadingStateReachesComponentsInsertedMeanwhileAndLoadedClearsIt) {
  Probe owner(nullptr, "owner");
  owner.BeginLoading();
  auto* a = new Probe(&owner, "a");
  EXPECT_TRUE(a->IsLoading());
  EXPECT_EQ(a->ComponentState() & csLoading, csLoading);
  a->Loaded();
  EXPECT_FALSE(a->IsLoading());
  EXPECT_TRUE(owner.IsLoading());
  owner.Loaded();
  EXPECT_FALSE(owner.IsLoading());
  // Not loading any more: new components start without the flag.
  EXPECT_FALSE((new TComponent(&owner))->IsLoading());
}

TEST_F(ComponentTest, DesigningStateIsInherited) {
  TComponent owner(nullptr);
  owner.SetDesigning(true);
  auto* c = new TComponent(&owner);
  EXPECT_TRUE(c->IsDesigning());
  owner.SetDesigning(false);
  EXPECT_FALSE(c->IsDesigning());
}

class Stored : public TPersistent {
 public:
  TMemoryStream data;
  void DefineProperties(TFiler& filer) override {
    filer.DefineBinaryProperty(
        "Data", [this](TStream& s) { data.LoadFromStream(s); },
        [this](TStream& s) { data.SaveToStream(s); }, data.Size() > 0);
  }
};

TEST(StoredPropertyTest, BinaryPropertyIsReadAndWrittenOnlyWhenItHasData) {
  Stored stored;
  TMemoryStream value;
  EXPECT_FALSE(WriteBinaryProperty(stored, "Data", value));
  const char bytes[] = "RIFF";
  ReadBinaryProperty(stored, "Other", bytes, 4);
  EXPECT_EQ(stored.data.Size(), 0);
  ReadBinaryProperty(stored, "Data", bytes, 4);
  ASSERT_EQ(stored.data.Size(), 4);
  ASSERT_TRUE(WriteBinaryProperty(stored, "Data", value));
  ASSERT_EQ(value.Size(), 4);
  EXPECT_EQ(std::string(static_cast<const char*>(value.Memory()), 4), "RIFF");
}

TEST(PersistentTest, AssignBetweenUnrelatedClassesRaises) {
  TPersistent a;
  Stored b;
  EXPECT_THROW(a.Assign(&b), EConvertError);
  try {
    a.Assign(nullptr);
    FAIL();
  } catch (const EConvertError& e) {
    EXPECT_EQ(e.Message(), "Cannot assign a nil to a TPersistent");
  }
}

}  // namespace
