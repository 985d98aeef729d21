// The end of the program in its fixed order: every form with its components while the
// windows still exist, last created first; then the modules' finalisation; then nothing of
// the framework is left.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Forms.h"
#include "Modules.h"

namespace {

std::vector<std::string> order;

// Notes its name when freed, and whether its form's window was still there.
struct TRecordingPart : TComponent {
  TRecordingPart(TForm* owner, std::string text)
      : TComponent(owner), form(owner), name(std::move(text)) {}
  ~TRecordingPart() override {
    const bool window = form->HandleAllocated() && IsWindow(form->Handle());
    order.push_back(name + (window ? "" : " (window gone!)"));
  }
  TForm* form;
  std::string name;
};

template <int N>
struct TNumberedForm : TForm {
  using TForm::TForm;
  ~TNumberedForm() override { order.push_back("form " + std::to_string(N)); }
  void CreateComponents() override {
    for (const char* part : {"a", "b"}) new TRecordingPart(this, std::to_string(N) + part);
  }
};

TEST(ShutdownTest, FormsAndComponentsThenModulesThenNothing) {
  AddFinalization([] { order.push_back("module 1"); });
  AddFinalization([] {
    order.push_back(std::string("module 2") +
                    (Application->ComponentCount() ? " (forms left!)" : ""));
  });
  Application->Initialize();
  TNumberedForm<1>* first = nullptr;
  TNumberedForm<2>* second = nullptr;
  Application->CreateForm(first);
  Application->CreateForm(second);
  // A form released but not yet freed when the program ends is freed once.
  second->Release();
  ShutdownApplication();
  const std::vector<std::string> expected = {"form 2", "2b", "2a",       "form 1",
                                             "1b",     "1a", "module 2", "module 1"};
  EXPECT_EQ(order, expected);
  EXPECT_EQ(Application, nullptr);
}

}  // namespace
