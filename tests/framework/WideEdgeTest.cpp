// Russian on a Windows set to another language (run with code page 1252): captions, drawn
// text and case mapping go through the Windows-1251 edge, not the system's code page.
#include <windows.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "FileCtrl.h"
#include "Forms.h"
#include "Handles.h"
#include "Paths.h"
#include "Platform.h"
#include "StdCtrls.h"
#include "Win32Platform.h"

namespace {

// "Г.Г.Кормид" and "привет, мир" in Windows-1251.
const char kTitle[] = "\xC3.\xC3.\xCA\xEE\xF0\xEC\xE8\xE4";
const char kLower[] = "\xEF\xF0\xE8\xE2\xE5\xF2, \xEC\xE8\xF0";

std::wstring TextOf(HWND window) {
  wchar_t text[256] = {};
  GetWindowTextW(window, text, 256);
  return text;
}

TEST(WideEdgeTest, CaseMappingUsesTheRussianTables) {
  // Otherwise these tests prove nothing: tools/wine-run.sh takes QV_LANG=en_US.UTF-8.
  ASSERT_EQ(GetACP(), 1252u);
  SetPlatform(Win32Platform());
  // "ёж, чай, я": letters whose code page 1252 bytes have no case partner or another one.
  EXPECT_EQ(AnsiUpperCase("\xB8\xE6, \xF7\xE0\xE9, \xFF"), "\xA8\xC6, \xD7\xC0\xC9, \xDF");
  EXPECT_EQ(AnsiLowerCase("\xA8\xC6, \xD7\xC0\xC9, \xDF"), "\xB8\xE6, \xF7\xE0\xE9, \xFF");
}

TEST(WideEdgeTest, CaptionsTitlesAndControlsReadRight) {
  Application->Initialize();
  Application->SetTitle(kTitle);
  EXPECT_EQ(TextOf(Application->Handle()), L"Г.Г.Кормид");
  EXPECT_EQ(Application->Title(), kTitle);
  auto form = std::make_unique<TForm>(nullptr);
  form->SetCaption("\xCE\xE1\xF3\xF7\xE5\xED\xE8\xE5");  // Обучение
  auto* button = new TButton(form.get());
  button->SetParent(form.get());
  button->SetCaption("\xC2\xFB\xF5\xEE\xE4");  // Выход
  auto* edit = new TEdit(form.get());
  edit->SetParent(form.get());
  edit->SetText(kLower);
  if (!form->Handle()) GTEST_SKIP() << "no display";
  EXPECT_EQ(TextOf(form->Handle()), L"Обучение");
  EXPECT_EQ(TextOf(button->Handle()), L"Выход");
  EXPECT_EQ(TextOf(edit->Handle()), L"привет, мир");
  // Typed text comes back as Windows-1251.
  SetWindowTextW(edit->Handle(), L"ёж");
  EXPECT_EQ(edit->Text(), "\xB8\xE6");
}

TEST(WideEdgeTest, DrawnTextIsTheRussianText) {
  // The canvas draws exactly what DrawTextW draws for the Unicode string.
  auto draw = [](int how) {
    TBitmap bitmap;
    bitmap.SetSize(120, 20);
    TCanvas* canvas = bitmap.Canvas();
    canvas->Brush()->SetColor(clWhite);
    canvas->FillRect(Rect(0, 0, 120, 20));
    canvas->Font()->SetColor(clBlack);
    TRect rect = Rect(0, 0, 120, 20);
    if (how == 1) canvas->DrawTextRect(kLower, rect, DT_LEFT | DT_SINGLELINE);
    if (how == 2) DrawTextW(canvas->Handle(), L"привет, мир", -1, &rect, DT_LEFT | DT_SINGLELINE);
    std::string pixels;
    for (int y = 0; y < 20; ++y) pixels.append(reinterpret_cast<char*>(bitmap.ScanLine(y)), 360);
    return pixels;
  };
  EXPECT_NE(draw(1), draw(0));
  EXPECT_EQ(draw(1), draw(2));
}

TEST(WideEdgeTest, PathsReachTheNarrowFileCallsWhateverTheFolderIsCalled) {
  // Beside a user called "Иван" on a Western Windows: the file list reads the folder, and
  // the selected path opens with the narrow file calls, also for a Russian file name.
  wchar_t temp[MAX_PATH] = {};
  GetTempPathW(MAX_PATH, temp);
  const std::wstring folder = std::wstring(temp) + L"qv-Иван";
  const std::wstring names[] = {L"\\caf\u00e9.rec", L"\\тест.rec"};
  CreateDirectoryW(folder.c_str(), nullptr);
  for (const std::wstring& name : names)
    FileHandle(
        CreateFileW((folder + name).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
  const std::string narrow = PathFromWide(folder).Bytes();
  ASSERT_EQ(narrow.find('?'), std::string::npos) << narrow;

  TFileListBox list(nullptr);
  list.SetMask("*.rec");
  ASSERT_NO_THROW(list.SetDirectory(narrow));
  ASSERT_EQ(list.Count(), 2);
  for (int i = 0; i < 2; ++i) {
    list.SetItemIndex(i);
    EXPECT_TRUE(FileHandle(CreateFileA(list.FileName().CStr(), GENERIC_READ, FILE_SHARE_READ,
                                       nullptr, OPEN_EXISTING, 0, nullptr)))
        << list.FileName().Bytes();
  }
  EXPECT_TRUE(list.Items(0) == "\xF2\xE5\xF1\xF2.rec" || list.Items(1) == "\xF2\xE5\xF1\xF2.rec");
  // A file still to be made keeps its name after its folder's narrow path.
  EXPECT_EQ(PathFromWide(folder + L"\\new.rec").Bytes(), narrow + "\\new.rec");

  for (const std::wstring& name : names) DeleteFileW((folder + name).c_str());
  RemoveDirectoryW(folder.c_str());
}

}  // namespace
