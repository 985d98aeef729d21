// The single-instance check in this process (a second component plays the second copy),
// and two copies of a probe program started from the same file.
#include "SingleInstance.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "Forms.h"
#include "WidgetTestSupport.h"

namespace {

class SingleInstanceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    savedTitle = Application->Title();
    Application->SetTitle(title);
    Application->SetMessageBoxHook(
        [this](const std::string& text, const std::string&, unsigned flags) {
          shown.push_back(text);
          shownFlags = flags;
          return IDOK;
        });
    TakeQuitMessage();
  }
  void TearDown() override {
    Application->SetMessageBoxHook(nullptr);
    Application->SetTitle(savedTitle);
    TakeQuitMessage();
  }
  std::unique_ptr<TSingleInstance> Start() {
    auto copy = std::make_unique<TSingleInstance>(nullptr);
    return copy;
  }
  bool NameTaken(const std::string& name) {
    KernelHandle mutex(OpenMutexA(SYNCHRONIZE, FALSE, name.c_str()));
    return static_cast<bool>(mutex);
  }

  std::string savedTitle;
  std::string title = "qv single instance test " + std::to_string(GetCurrentProcessId());
  std::vector<std::string> shown;
  unsigned shownFlags = 0;
};

TEST_F(SingleInstanceTest, FirstCopyHoldsTheNameUntilDestroyed) {
  auto first = Start();
  EXPECT_EQ(first->Terminate(), true);
  EXPECT_EQ(first->GoToPrevious(), false);
  EXPECT_FALSE(first->LoadDone());
  int events = 0;
  first->AlreadyExist = [&](TObject*) { ++events; };
  first->Loaded();
  EXPECT_TRUE(first->LoadDone());
  EXPECT_NE(first->MutexHandle(), nullptr);
  EXPECT_EQ(events, 0);
  EXPECT_FALSE(TakeQuitMessage());
  EXPECT_TRUE(NameTaken(title));
  first.reset();
  EXPECT_FALSE(NameTaken(title));
}

TEST_F(SingleInstanceTest, SecondCopyWithDefaultsEndsSilently) {
  auto first = Start();
  first->Loaded();
  auto second = Start();
  second->Loaded();
  EXPECT_TRUE(second->LoadDone());
  EXPECT_TRUE(TakeQuitMessage());
  EXPECT_TRUE(shown.empty());
  // Its handle is held as well, and closed with it; the first keeps the name.
  EXPECT_NE(second->MutexHandle(), nullptr);
  second.reset();
  EXPECT_TRUE(NameTaken(title));
}

TEST_F(SingleInstanceTest, EventComesFirstAndMessageOnlyWhenEnding) {
  auto first = Start();
  first->Loaded();

  std::vector<std::string> order;
  auto second = Start();
  second->AlreadyExist = [&](TObject* sender) {
    EXPECT_EQ(sender, second.get());
    order.push_back(shown.empty() ? "event" : "late event");
  };
  second->SetShowMessage(true);
  second->SetMessageText("Already running");
  second->SetTerminate(false);
  second->Loaded();
  EXPECT_EQ(order, std::vector<std::string>{"event"});
  EXPECT_TRUE(shown.empty());
  EXPECT_FALSE(TakeQuitMessage());

  auto third = Start();
  third->SetShowMessage(true);
  third->SetMessageText("Already running");
  third->Loaded();
  EXPECT_EQ(shown, std::vector<std::string>{"Already running"});
  EXPECT_EQ(shownFlags, static_cast<unsigned>(MB_OK | MB_ICONINFORMATION));
  EXPECT_TRUE(TakeQuitMessage());
}

TEST_F(SingleInstanceTest, NameIsTheTitleCutTo255Characters) {
  std::string longTitle(300, 'q');
  longTitle.replace(0, 8, "qv-long-");
  Application->SetTitle(longTitle);
  auto first = Start();
  first->Loaded();
  EXPECT_TRUE(NameTaken(longTitle.substr(0, 255)));
}

TEST_F(SingleInstanceTest, FailedMutexCountsAsAnotherCopy) {
  Application->SetTitle("qv\\no such namespace\\instance");
  auto copy = Start();
  int events = 0;
  copy->AlreadyExist = [&](TObject*) { ++events; };
  copy->Loaded();
  EXPECT_EQ(copy->MutexHandle(), nullptr);
  EXPECT_EQ(events, 1);
  EXPECT_TRUE(TakeQuitMessage());
}

TEST_F(SingleInstanceTest, GoToPreviousRestoresTheEarlierWindow) {
  REQUIRE_DISPLAY();
  auto first = Start();
  first->Loaded();
  HINSTANCE instance = GetModuleHandleA(nullptr);
  WindowHandle previous(CreateWindowExA(0, "STATIC", title.c_str(), WS_OVERLAPPEDWINDOW, 10, 10,
                                        100, 100, nullptr, nullptr, instance, nullptr));
  ShowWindow(previous.get(), SW_SHOWMINIMIZED);
  // Made later, so found first: the part this copy's own application window plays.
  WindowHandle own(CreateWindowExA(0, "STATIC", title.c_str(), WS_OVERLAPPEDWINDOW | WS_VISIBLE, 10,
                                   10, 100, 100, nullptr, nullptr, instance, nullptr));
  ASSERT_TRUE(IsIconic(previous.get()));

  auto second = Start();
  second->SetGoToPrevious(true);
  second->SetTerminate(false);
  second->Loaded();
  char caption[64] = {};
  GetWindowTextA(own.get(), caption, sizeof caption);
  EXPECT_STREQ(caption, "");
  EXPECT_FALSE(IsIconic(previous.get()));
}

TEST_F(SingleInstanceTest, GoToPreviousWithoutSuchWindowTouchesNothing) {
  REQUIRE_DISPLAY();
  auto first = Start();
  first->Loaded();
  WindowHandle other(CreateWindowExA(0, "STATIC", "some other window", WS_OVERLAPPEDWINDOW, 10, 10,
                                     100, 100, nullptr, nullptr, GetModuleHandleA(nullptr),
                                     nullptr));
  auto second = Start();
  second->SetGoToPrevious(true);
  second->Loaded();
  char caption[64] = {};
  GetWindowTextA(other.get(), caption, sizeof caption);
  EXPECT_STREQ(caption, "some other window");
  EXPECT_TRUE(TakeQuitMessage());
}

// The probe's title is its file name: both copies look for the same mutex.
TEST(SingleInstanceProcesses, SecondCopyEndsWhileTheFirstRuns) {
  REQUIRE_DISPLAY();
  char self[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, self, MAX_PATH);
  std::string probe = self;
  probe = probe.substr(0, probe.find_last_of('\\') + 1) + "qv-instance-probe.exe";
  ASSERT_NE(GetFileAttributesA(probe.c_str()), INVALID_FILE_ATTRIBUTES) << probe;

  struct Process {
    KernelHandle handle;
    ~Process() {
      if (handle && WaitForSingleObject(handle.get(), 0) == WAIT_TIMEOUT) {
        TerminateProcess(handle.get(), 1);
        WaitForSingleObject(handle.get(), 5000);
      }
    }
  };
  auto start = [&](Process& p) {
    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    std::string command = "\"" + probe + "\"";
    if (!CreateProcessA(probe.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &si, &pi))
      return false;
    CloseHandle(pi.hThread);
    p.handle.reset(pi.hProcess);
    return true;
  };
  auto nameTaken = [] {
    KernelHandle mutex(OpenMutexA(SYNCHRONIZE, FALSE, "qv-instance-probe"));
    return static_cast<bool>(mutex);
  };
  ASSERT_FALSE(nameTaken()) << "a probe from an earlier run is still alive";

  Process first, second;
  ASSERT_TRUE(start(first));
  for (int i = 0; i < 100 && !nameTaken(); ++i) Sleep(100);
  ASSERT_TRUE(nameTaken());

  ASSERT_TRUE(start(second));
  ASSERT_EQ(WaitForSingleObject(second.handle.get(), 5000), WAIT_OBJECT_0);
  DWORD code = 0;
  GetExitCodeProcess(second.handle.get(), &code);
  EXPECT_EQ(code, 3u);  // it ended because it found the first
  EXPECT_EQ(WaitForSingleObject(first.handle.get(), 0), static_cast<DWORD>(WAIT_TIMEOUT));
}

}  // namespace
