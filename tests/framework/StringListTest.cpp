#include <gtest/gtest.h>

#include "Classes.h"

namespace {

TEST(StringListTest, TextEndsEveryLineWithCrLf) {
  TStringList list;
  EXPECT_EQ(list.Text(), "");
  list.Add("one");
  list.Add("");
  list.Add("three");
  EXPECT_EQ(list.Text(), "one\r\n\r\nthree\r\n");
}

TEST(StringListTest, SetTextSplitsAtCrLfCrOrLf) {
  TStringList list;
  list.SetText("a\r\nb\rc\nd");
  ASSERT_EQ(list.Count(), 4);
  EXPECT_EQ(list[3], "d");
  list.SetText("a\n\nb\r\n");
  ASSERT_EQ(list.Count(), 3);
  EXPECT_EQ(list[1], "");
  EXPECT_EQ(list[2], "b");
  list.SetText("\r\n");
  ASSERT_EQ(list.Count(), 1);
  EXPECT_EQ(list[0], "");
  list.SetText("");
  EXPECT_EQ(list.Count(), 0);
}

TEST(StringListTest, IndexOutOfRangeRaisesListError) {
  TStringList list;
  list.SetText("x");
  try {
    (void)list[1];
    FAIL();
  } catch (const EListError& e) {
    EXPECT_EQ(e.Message(), "List index out of bounds (1)");
  }
  EXPECT_THROW((void)list[-1], EListError);
}

}  // namespace

namespace {

TEST(StringListTest, OnChangeFiresOncePerCompletedChange) {
  TStringList list;
  int changes = 0;
  list.OnChange = [&](TObject* sender) {
    EXPECT_EQ(sender, &list);
    ++changes;
  };
  list.Clear();
  EXPECT_EQ(changes, 0) << "clearing an empty list changes nothing";
  list.Add("a");
  list.SetText("b\r\nc\r\nd");
  TStringList other;
  other.SetText("x\ny");
  list.AddStrings(other);
  EXPECT_EQ(list.Count(), 5);
  list.Assign(other);
  list.Delete(0);
  list.Insert(0, "z");
  list.Put(1, "w");
  list.Clear();
  EXPECT_EQ(changes, 8);
  EXPECT_EQ(list.Count(), 0);
  EXPECT_THROW(list.Delete(0), EListError);
  EXPECT_EQ(changes, 8) << "a failed change is no change";
}

}  // namespace
