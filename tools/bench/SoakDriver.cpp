// The long run: the character program asked question after question from outside, its menu
// opened now and then, and what it holds counted after a warm-up and at the end.
//
// Settings from the environment: QV_SOAK_QUESTIONS (default 40), QV_SOAK_MENU_EVERY (menu
// and the warm-up count after that many questions, default 20), QV_SOAK_CHECK_EVERY (a known
// answer looked for on the screen, default 10), QV_SOAK_SYNC (a folder: at each count the
// driver waits for a file of the count's name there, so that a script can read the program's
// memory meanwhile).
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "AppDriver.h"

using namespace driver;

namespace {

int Setting(const char* name, int fallback) {
  const char* value = std::getenv(name);
  return value && std::atoi(value) > 0 ? std::atoi(value) : fallback;
}

struct TCount {
  const char* name;
  WPARAM what;
};

const TCount kCounts[] = {
    {"fonts", WPARAM(THandleKind::Font)},
    {"brushes", WPARAM(THandleKind::Brush)},
    {"pens", WPARAM(THandleKind::Pen)},
    {"bitmaps", WPARAM(THandleKind::Bitmap)},
    {"regions", WPARAM(THandleKind::Region)},
    {"memory DCs", WPARAM(THandleKind::MemoryDC)},
    {"window DCs", WPARAM(THandleKind::WindowDC)},
    {"windows", WPARAM(THandleKind::Window)},
    {"menus", WPARAM(THandleKind::Menu)},
    {"icons", WPARAM(THandleKind::Icon)},
    {"hooks", WPARAM(THandleKind::Hook)},
    {"files", WPARAM(THandleKind::File)},
    {"searches", WPARAM(THandleKind::Find)},
    {"kernel", WPARAM(THandleKind::Kernel)},
    {"system GDI objects", WPARAM(TSystemCount::GdiObjects)},
    {"system windows", WPARAM(TSystemCount::Windows)},
};

// The shipped knowledge base, with two blocks whose one answer is known.
const std::wstring kShort = L"Проверка пройдена.";
const std::wstring kKnownBlocks =
    L"ПРОВЕРКА\r\n!\r\n" + kShort + L"\r\n.\r\nДЛИННО\r\n!\r\n" + kLong + L"\r\n.\r\n";

// Keyword answers (short, long, with $Date, with the * marker), free dialogue (no keyword,
// and a keyword only as the 15th word, past the 13 looked at).
const wchar_t* const kQuestions[] = {
    L"Привет!",
    L"Как твои дела?",
    L"Расскажи анекдот",
    L"абракадабра и шмяк",
    L"Какая сегодня погода",
    L"Я люблю тебя очень сильно",
    L"Сколько тебе лет?",
    L"раз два три четыре пять шесть семь восемь девять десять одиннадцать двенадцать "
    L"тринадцать четырнадцать кот",
    L"шутка",
    L"Кто ты такой",
};

class SoakTest : public TCharacterTest {
 protected:
  void SetUp() override {
    folder = FreshAppFolder(L"soak");
    WriteFile(Brain(L"Answers.brain"), ReadFile(Brain(L"Answers.brain")) + FromWide(kKnownBlocks));
  }

  // The whole question at once, as one batch of the system's input.
  static void TypeAtOnce(const std::wstring& text) {
    std::vector<INPUT> inputs;
    for (wchar_t c : text)
      for (DWORD up : {0, KEYEVENTF_KEYUP}) {
        INPUT& input = inputs.emplace_back(INPUT{INPUT_KEYBOARD, {}});
        input.ki = {0, c, KEYEVENTF_UNICODE | up, 0, 0};
      }
    SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
  }

  // Typed and answered: the field held the question when Enter came and was emptied by it.
  bool Answered(const std::wstring& question) {
    if (FocusWindow() != input_) FocusInput();
    TypeAtOnce(question);
    if (!WaitFor([&] { return TextOf(input_) == question; }, 5000)) {
      ADD_FAILURE() << "typing was lost: " << fs::path(TextOf(input_)).string();
      SendMessageW(input_, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L""));
      return false;
    }
    TypeKey(VK_RETURN);
    if (WaitFor([&] { return TextOf(input_).empty(); }, 10000)) return true;
    std::wstring error;
    if (HWND box = Error(&error, 0)) Dismiss(box);
    ADD_FAILURE() << "not answered: " << fs::path(question).string() << " "
                  << fs::path(error).string();
    SendMessageW(input_, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L""));
    return false;
  }

  // The menu opened on the character with its Run submenu, which it builds afresh, and closed.
  void OpenAndCloseMenu() {
    HWND menu = OpenMainMenu();
    ASSERT_NE(menu, nullptr) << "the menu did not open";
    EXPECT_NE(OpenSubmenu(menu, 5), nullptr) << "no Run submenu";
    MenuKeys(menu, {VK_ESCAPE, VK_ESCAPE});
    EXPECT_TRUE(WaitFor([] { return OpenMenus().empty(); }, 5000)) << "the menu stayed open";
    FocusInput();
  }

  std::vector<LRESULT> Counts() const {
    static const UINT query = RegisterWindowMessageW(L"QvLiveHandles");
    std::vector<LRESULT> counts;
    for (const TCount& count : kCounts) {
      DWORD_PTR answer = static_cast<DWORD_PTR>(-1);
      SendMessageTimeoutW(GetWindow(main, GW_OWNER), query, count.what, 0, SMTO_ABORTIFHUNG, 10000,
                          &answer);
      counts.push_back(static_cast<LRESULT>(answer));
    }
    return counts;
  }

  // Prints the counts; with QV_SOAK_SYNC, waits for the script's file `name` there.
  std::vector<LRESULT> Checkpoint(const char* name, int questions) const {
    const std::vector<LRESULT> counts = Counts();
    std::printf("soak: checkpoint %s after %d questions, %.1f s:", name, questions,
                (GetTickCount() - start_) / 1000.0);
    for (size_t i = 0; i < counts.size(); ++i)
      std::printf("%s %s %lld", i ? "," : "", kCounts[i].name, static_cast<long long>(counts[i]));
    std::printf("\n");
    std::fflush(stdout);
    if (const wchar_t* sync = _wgetenv(L"QV_SOAK_SYNC")) {
      const std::wstring done =
          std::wstring(sync) + L"\\" + std::wstring(name, name + strlen(name));
      EXPECT_TRUE(WaitFor(
          [&] { return GetFileAttributesW(done.c_str()) != INVALID_FILE_ATTRIBUTES; }, 60000))
          << "the script did not answer";
    }
    return counts;
  }

  HWND input_ = nullptr;
  DWORD start_ = 0;
};

TEST_F(SoakTest, EveryQuestionIsAnsweredAndNothingGrows) {
  const int questions = Setting("QV_SOAK_QUESTIONS", 40);
  const int menuEvery = Setting("QV_SOAK_MENU_EVERY", 20);
  const int checkEvery = Setting("QV_SOAK_CHECK_EVERY", 10);
  const std::wstring shortLine = kShort, longLine = DisplayLines(kLong).at(0);
  Start();
  ASSERT_NE(input_ = InputField(), nullptr);
  FocusInput();
  start_ = GetTickCount();
  int answered = 0, checks = 0, shown = 0;
  std::vector<LRESULT> warm;
  for (int asked = 1; asked <= questions; ++asked) {
    // Now and then an answer that is known, looked for on the screen.
    const bool check = asked % checkEvery == 0;
    const bool longOne = asked / checkEvery % 2 == 1;
    const std::wstring question =
        check ? (longOne ? L"Длинно" : L"Проверка") : kQuestions[asked % std::size(kQuestions)];
    if (Answered(question)) ++answered;
    if (check && (++checks, Shows(longOne ? longLine : shortLine))) ++shown;
    if (asked % menuEvery == 0 || asked == questions) {
      OpenAndCloseMenu();
      if (asked == menuEvery) warm = Checkpoint("warm-up", asked);
    }
    if (asked % 1000 == 0) {
      std::printf("soak: %d questions, %.1f s\n", asked, (GetTickCount() - start_) / 1000.0);
      std::fflush(stdout);
    }
  }
  const std::vector<LRESULT> end = Checkpoint("end", questions);
  std::printf("soak: %d of %d questions answered, %d of %d known answers seen, %.1f s\n", answered,
              questions, shown, checks, (GetTickCount() - start_) / 1000.0);
  EXPECT_EQ(answered, questions);
  EXPECT_EQ(shown, checks);
  // The framework's own counts and the windows do not move once warm.
  for (size_t i = 0; i < warm.size(); ++i) {
    if (kCounts[i].what == WPARAM(TSystemCount::GdiObjects)) continue;
    EXPECT_EQ(end[i], warm[i]) << kCounts[i].name << " grew";
  }
}

}  // namespace
