// The skin on a form built like the main window, from the real assets, under Wine.
#include "SkinForm.h"

#include <gtest/gtest.h>

#include <functional>
#include <random>
#include <vector>

#include "AssetIds.h"
#include "Forms.h"
#include "RegionData.h"
#include "StayOnTop.h"
#include "StdCtrls.h"
#include "WidgetTestSupport.h"

namespace {

std::vector<uint8_t> Resource(int id) {
  HMODULE module = GetModuleHandleA(nullptr);
  HRSRC info = FindResourceA(module, MAKEINTRESOURCEA(id), MAKEINTRESOURCEA(10));
  if (!info) return {};
  const auto* bytes = static_cast<const uint8_t*>(LockResource(LoadResource(module, info)));
  return {bytes, bytes + SizeofResource(module, info)};
}

const std::vector<uint8_t>& CharacterMask2() {
  static const std::vector<uint8_t> bytes = Resource(IDR_CHARACTER_MASK2);
  return bytes;
}

std::vector<RegionRect> MaskRects(const std::vector<uint8_t>& mask2) {
  Mask2Block block;
  if (ParseMask2(mask2, &block) != Mask2Status::Ok) return {};
  return RegionRects(block);
}

std::vector<RegionRect> RegionRectsOf(HRGN region) {
  DWORD size = GetRegionData(region, 0, nullptr);
  std::vector<DWORD> buffer((size + 3) / 4);
  if (size == 0 || GetRegionData(region, size, reinterpret_cast<RGNDATA*>(buffer.data())) != size)
    return {};
  std::span<const uint8_t> bytes(reinterpret_cast<const uint8_t*>(buffer.data()), size);
  Mask2Block block;
  if (ParseRegionData(bytes, &block) != Mask2Status::Ok) return {};
  return RegionRects(block);
}

// The window's outline; empty when it has none.
std::vector<RegionRect> WindowRects(HWND window) {
  RegionHandle region(CreateRectRgn(0, 0, 0, 0));
  if (GetWindowRgn(window, region.get()) == ERROR) return {};
  return RegionRectsOf(region.get());
}

// Built like the main window: skin first, stay-on-top later, then the stored picture and outline.
// kOnTopFirst makes the stay-on-top first, so the skin's border style makes the window anew.
class TSkinTestForm : public TForm {
 public:
  enum Variant { kMainWindow, kDesigning, kOnTopFirst };
  TSkinTestForm(TComponent* owner, std::vector<uint8_t> mask2, Variant variant)
      : TForm(owner), mask2_(std::move(mask2)), variant_(variant) {}

  TSkinForm* SkinForm1 = nullptr;
  TStayOnTop* KeepOnTop = nullptr;

 protected:
  void CreateComponents() override {
    SetCaption("Quelvoran skin test");
    SetClientWidth(162);
    SetClientHeight(251);
    if (variant_ == kOnTopFirst) KeepOnTop = new TStayOnTop(this);
    SkinForm1 = new TSkinForm(this);
    SkinForm1->SetParent(this);
    if (variant_ != kOnTopFirst) KeepOnTop = new TStayOnTop(this);
  }
  void ReadProperties() override {
    SkinForm1->SetDesigning(variant_ == kDesigning);
    SkinForm1->Picture()->Bitmap()->LoadFromResourceID(GetModuleHandleA(nullptr), IDB_CHARACTER);
    ReadBinaryProperty(*SkinForm1, "Mask2", mask2_.data(), mask2_.size());
  }

 private:
  std::vector<uint8_t> mask2_;
  Variant variant_;
};

class SkinFormTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!HasDisplay()) GTEST_SKIP() << "no display";
    Application->SetMessageBoxHook([this](const std::string&, const std::string&, unsigned) {
      ++messages;
      return IDOK;
    });
  }
  void TearDown() override {
    delete form;
    Application->SetMessageBoxHook(nullptr);
  }
  TSkinTestForm* Make(std::vector<uint8_t> mask2,
                      TSkinTestForm::Variant variant = TSkinTestForm::kMainWindow) {
    delete form;
    form = new TSkinTestForm(Application, std::move(mask2), variant);
    form->Load();
    return form;
  }
  std::vector<uint8_t> WrittenMask2() {
    TMemoryStream value;
    EXPECT_TRUE(WriteBinaryProperty(*form->SkinForm1, "Mask2", value));
    const auto* bytes = static_cast<const uint8_t*>(value.Memory());
    return {bytes, bytes + value.Size()};
  }

  TSkinTestForm* form = nullptr;
  int messages = 0;
};

TEST_F(SkinFormTest, RealAssetsShapeABorderlessTopmostWindow) {
  ASSERT_FALSE(CharacterMask2().empty());
  Make(CharacterMask2(), TSkinTestForm::kOnTopFirst);
  EXPECT_EQ(form->KeepOnTop->FormHandle(), form->Handle());
  EXPECT_EQ(WindowRects(form->Handle()), MaskRects(CharacterMask2()));
  EXPECT_NE(GetWindowLongPtrA(form->Handle(), GWL_EXSTYLE) & WS_EX_TOPMOST, 0);

  Make(CharacterMask2());
  HWND window = form->Handle();
  EXPECT_EQ(form->KeepOnTop->FormHandle(), window);

  const std::vector<RegionRect> expected = MaskRects(CharacterMask2());
  ASSERT_FALSE(expected.empty());
  EXPECT_EQ(WindowRects(window), expected);
  EXPECT_EQ(form->SkinForm1->MaskSize(), CharacterMask2().size() - 4);
  EXPECT_EQ(messages, 0);

  const LONG_PTR style = GetWindowLongPtrA(window, GWL_STYLE);
  EXPECT_EQ(style & (WS_CAPTION | WS_THICKFRAME), 0);
  EXPECT_EQ(form->BorderStyle(), bsNone);
  EXPECT_NE(GetWindowLongPtrA(window, GWL_EXSTYLE) & WS_EX_TOPMOST, 0);

  // The skin fills the client area at (0, 0).
  EXPECT_EQ(form->SkinForm1->Left(), 0);
  EXPECT_EQ(form->SkinForm1->Top(), 0);
  EXPECT_EQ(form->SkinForm1->Width(), 162);
  EXPECT_EQ(form->SkinForm1->Height(), 251);

  // The holder keeps its own copy: the description written back is the one read.
  EXPECT_EQ(WrittenMask2(), CharacterMask2());
}

TEST_F(SkinFormTest, OnTopFalseLeavesTheTopmostLayer) {
  Make(CharacterMask2());
  HWND window = form->Handle();
  ASSERT_NE(GetWindow(window, GW_OWNER), nullptr);  // owned by the application window
  EXPECT_NE(GetWindowLongPtrA(window, GWL_EXSTYLE) & WS_EX_TOPMOST, 0);
  form->KeepOnTop->SetOnTop(false);
  EXPECT_EQ(GetWindowLongPtrA(window, GWL_EXSTYLE) & WS_EX_TOPMOST, 0);
  EXPECT_FALSE(form->KeepOnTop->OnTop());
  form->KeepOnTop->SetOnTop(true);
  EXPECT_NE(GetWindowLongPtrA(window, GWL_EXSTYLE) & WS_EX_TOPMOST, 0);

  // The same value again is not passed on.
  SetWindowTopmost(window, false);
  form->KeepOnTop->SetOnTop(true);
  EXPECT_EQ(GetWindowLongPtrA(window, GWL_EXSTYLE) & WS_EX_TOPMOST, 0);
}

TEST_F(SkinFormTest, StayOnTopNeedsAFormOwner) {
  TComponent plain(nullptr);
  EXPECT_THROW(TStayOnTop{&plain}, EInvalidCast);
  EXPECT_EQ(plain.ComponentCount(), 0);
  EXPECT_THROW(TStayOnTop{nullptr}, EInvalidCast);
}

TEST_F(SkinFormTest, BadBlocksLeaveTheWindowUnshapedSilently) {
  const std::vector<uint8_t>& good = CharacterMask2();
  auto spoiled = [&](size_t at, uint32_t value) {
    std::vector<uint8_t> bad = good;
    for (int i = 0; i < 4; ++i) bad[at + i] = static_cast<uint8_t>(value >> (8 * i));
    return bad;
  };
  const uint32_t n = static_cast<uint32_t>(good.size() - 4);
  std::vector<uint8_t> rectsBeyond = spoiled(0, n - 16);  // one rectangle short of its count
  rectsBeyond.resize(good.size() - 16);
  struct Case {
    const char* what;
    std::vector<uint8_t> value;
  };
  const std::vector<Case> cases = {
      {"nothing", {}},
      {"short count", {0x20, 0x0C}},
      {"N = 0", {0, 0, 0, 0}},
      {"block shorter than its header", spoiled(0, 16)},
      {"N beyond the data", spoiled(0, n + 1)},
      {"huge N", spoiled(0, 0xFFFFFFF0u)},
      {"header size", spoiled(4, 40)},
      {"region type", spoiled(8, 2)},
      {"count against size", spoiled(12, (n - 32) / 16 + 1)},
      {"rectangles beyond the data", rectsBeyond},
      {"cut block", std::vector<uint8_t>(good.begin(), good.end() - 16)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Make(c.value);
    EXPECT_TRUE(WindowRects(form->Handle()).empty());
    EXPECT_FALSE(form->SkinForm1->Mask()->Handle);
    EXPECT_EQ(WrittenMask2(), (std::vector<uint8_t>{0, 0, 0, 0}));
  }
  EXPECT_EQ(messages, 0);
}

// Random damage to the stored value: a region only from what the checks accept, never a crash.
TEST_F(SkinFormTest, RandomlySpoiledValuesAreReadSafely) {
  std::mt19937 random(20261208);
  const std::vector<uint8_t>& good = CharacterMask2();
  TSkinForm skin(nullptr);
  int accepted = 0;
  for (int round = 0; round < 300; ++round) {
    std::vector<uint8_t> value = good;
    const int damage = 1 + static_cast<int>(random() % 4);
    for (int i = 0; i < damage; ++i) {
      // Mostly the count and the header, where a wrong byte changes the meaning.
      const size_t at = random() % 3 ? random() % 36 : random() % value.size();
      value[at] = static_cast<uint8_t>(random());
    }
    if (random() % 4 == 0) value.resize(random() % value.size());
    ReadBinaryProperty(skin, "Mask2", value.data(), value.size());
    if (ParseMask2(value, nullptr) == Mask2Status::Ok) {
      accepted += skin.Mask()->Handle ? 1 : 0;
    } else {
      EXPECT_FALSE(skin.Mask()->Handle) << round;
    }
  }
  EXPECT_GT(accepted, 0);
  EXPECT_EQ(messages, 0);
}

TEST_F(SkinFormTest, NewPictureEmptiesTheMaskButNotTheWindow) {
  Make(CharacterMask2());
  form->SkinForm1->Picture()->Bitmap()->LoadFromResourceID(GetModuleHandleA(nullptr),
                                                           IDB_CHARACTER);
  EXPECT_FALSE(form->SkinForm1->Mask()->Handle);
  EXPECT_EQ(WrittenMask2(), (std::vector<uint8_t>{0, 0, 0, 0}));
  EXPECT_EQ(WindowRects(form->Handle()), MaskRects(CharacterMask2()));
  // What was read stays until the skin goes.
  EXPECT_EQ(form->SkinForm1->MaskSize(), CharacterMask2().size() - 4);
}

TEST_F(SkinFormTest, AWindowMadeAnewKeepsOutlineLayerAndTypedText) {
  Make(CharacterMask2());
  auto* edit = new TEdit(form);
  edit->SetParent(form);
  SetWindowTextW(edit->Handle(), L"typed");  // as the user types it, past SetText
  HWND old = form->Handle();
  form->RecreateWnd();
  EXPECT_NE(form->Handle(), old);
  EXPECT_EQ(WindowRects(form->Handle()), MaskRects(CharacterMask2()));
  EXPECT_EQ(form->KeepOnTop->FormHandle(), form->Handle());
  EXPECT_NE(GetWindowLongPtrA(form->Handle(), GWL_EXSTYLE) & WS_EX_TOPMOST, 0);
  EXPECT_EQ(edit->GetText(), "typed");
  edit->HandleNeeded();
  EXPECT_EQ(edit->GetText(), "typed");
  EXPECT_EQ(WrittenMask2(), CharacterMask2());
}

TEST_F(SkinFormTest, DesignTimeBuildsWithoutApplying) {
  Make(CharacterMask2(), TSkinTestForm::kDesigning);
  EXPECT_TRUE(form->SkinForm1->Mask()->Handle);
  EXPECT_TRUE(WindowRects(form->Handle()).empty());
  EXPECT_EQ(WrittenMask2(), CharacterMask2());
}

TEST_F(SkinFormTest, LeftAndTopStayAtZero) {
  Make(CharacterMask2());
  TSkinForm* skin = form->SkinForm1;
  skin->SetAlign(alNone);
  skin->SetLeft(40);
  skin->SetTop(40);
  EXPECT_EQ(skin->Left(), 0);
  EXPECT_EQ(skin->Top(), 0);
  skin->SetWidth(100);
  skin->SetHeight(90);
  EXPECT_EQ(skin->BoundsRect().right, 100);
  EXPECT_EQ(skin->BoundsRect().bottom, 90);
}

TEST_F(SkinFormTest, OtherButtonsNeitherDragNorRaiseAnEvent) {
  Make(CharacterMask2());
  int pressed = 0;
  form->SkinForm1->OnMouseDown = [&](TObject*, TMouseButton, TShiftState, int, int) { ++pressed; };
  RECT before{}, after{};
  GetWindowRect(form->Handle(), &before);
  form->SkinForm1->MouseDown(mbRight, 0, 50, 120);
  form->SkinForm1->MouseDown(mbMiddle, 0, 50, 120);
  GetWindowRect(form->Handle(), &after);
  EXPECT_EQ(pressed, 0);
  EXPECT_TRUE(EqualRect(&before, &after));
}

TEST_F(SkinFormTest, MaskHolderCanBeReplacedButNotCleared) {
  Make(CharacterMask2());
  TSkinForm* skin = form->SkinForm1;
  EXPECT_EQ(skin->Mask()->Skin, skin);
  skin->SetMask(nullptr);
  ASSERT_NE(skin->Mask(), nullptr);
  auto holder = std::make_unique<TRegionType>();
  TRegionType* raw = holder.get();
  skin->SetMask(std::move(holder));
  EXPECT_EQ(skin->Mask(), raw);
  EXPECT_EQ(raw->Skin, skin);
}

// Painting into a memory DC: the picture is drawn, and nothing is erased beneath it.
TEST_F(SkinFormTest, PaintsThePictureOverAnUnerasedBackground) {
  Make(CharacterMask2());
  WindowDC screen(nullptr);
  MemoryDC dc(CreateCompatibleDC(screen.dc()));
  BitmapHandle bitmap(CreateCompatibleBitmap(screen.dc(), 162, 251));
  SelectGuard select(dc.get(), bitmap.get());
  RECT all{0, 0, 162, 251};
  BrushHandle red(CreateSolidBrush(RGB(255, 0, 0)));
  FillRect(dc.get(), &all, red.get());

  form->PaintBackground(dc.get());
  EXPECT_EQ(GetPixel(dc.get(), 80, 120), RGB(255, 0, 0));

  form->PaintContent(dc.get(), all);
  EXPECT_EQ(GetPixel(dc.get(), 80, 40), RGB(255, 255, 255));  // speech area
  EXPECT_EQ(GetPixel(dc.get(), 80, 238), RGB(0, 0, 0));       // input field
  EXPECT_EQ(GetPixel(dc.get(), 0, 0), RGB(0, 255, 0));        // corner, outside the outline
}

}  // namespace
