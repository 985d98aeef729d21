#include "Art.h"

#include <stdexcept>
#include <string_view>

#include "Draw.h"
#include "RegionData.h"

namespace {

constexpr Rgb kWhite{255, 255, 255};
constexpr Rgb kBlack{0, 0, 0};
constexpr Rgb kInk{52, 40, 56};
constexpr Rgb kBubbleInk{46, 52, 84};
constexpr Rgb kSkin{255, 213, 170};
constexpr Rgb kSkinShade{236, 172, 132};
constexpr Rgb kSkinLight{255, 232, 208};
constexpr Rgb kHair{132, 78, 42};
constexpr Rgb kHairShade{92, 52, 30};
constexpr Rgb kHairLight{176, 114, 64};
constexpr Rgb kIris{72, 96, 182};
constexpr Rgb kPupil{28, 22, 44};
constexpr Rgb kCheek{255, 150, 150};
constexpr Rgb kMouth{168, 48, 62};
constexpr Rgb kTongue{242, 112, 124};
constexpr Rgb kSweater{66, 134, 214};
constexpr Rgb kSweaterShade{44, 94, 170};
constexpr Rgb kSweaterLight{124, 180, 240};
constexpr Rgb kStar{255, 204, 64};
constexpr Rgb kStarShade{232, 150, 36};
constexpr Rgb kPanel{66, 72, 108};
constexpr Rgb kPanelLight{110, 118, 164};
constexpr Rgb kPanelDark{34, 36, 58};
// The teaching window's face colour, behind the floppy disks.
constexpr Rgb kButtonFace{212, 208, 200};

// A five-pointed star of outer radius 1, point up (cos and sin of multiples of 18 degrees).
Shape Star(double cx, double cy, double outer, double inner) {
  const double o[5][2] = {
      {0, -1}, {0.9511, -0.3090}, {0.5878, 0.8090}, {-0.5878, 0.8090}, {-0.9511, -0.3090}};
  const double i[5][2] = {
      {0.5878, -0.8090}, {0.9511, 0.3090}, {0, 1}, {-0.9511, 0.3090}, {-0.5878, -0.8090}};
  std::vector<Point> points;
  for (int k = 0; k < 5; ++k) {
    points.push_back({cx + o[k][0] * outer, cy + o[k][1] * outer});
    points.push_back({cx + i[k][0] * inner, cy + i[k][1] * inner});
  }
  return Polygon(std::move(points));
}

// A round part lit from the upper left: shade all over, the base colour where a copy
// moved up and left still covers it, and a small highlight.
void FillShaded(Image& image, const Shape& shape, Rgb base, Rgb shade, double dx, double dy) {
  Fill(image, shape, shade);
  Fill(image, Both(shape, Moved(shape, -dx, -dy)), base);
}

void DrawBubble(Image& image) {
  const Shape outer = RoundRect(6, 2, 157, 80, 6);
  const Shape inner = RoundRect(8, 4, 155, 78, 4);
  // The tail starts inside the bubble, so filling it opens the bubble's edge there.
  const Shape tail = Polygon({{118, 75}, {138, 75}, {115, 92}});
  Outline(image, tail, kBubbleInk, 2);
  Fill(image, outer, kBubbleInk);
  Fill(image, inner, kWhite);
  Fill(image, tail, kWhite);
}

void DrawBody(Image& image) {
  const Shape torso = Both(Ellipse(82, 204, 40, 50), Rect(0, 152, 163, 230));
  Outline(image, torso, kInk, 1);
  FillShaded(image, torso, kSweater, kSweaterShade, 5, 0);
  Fill(image, Both(torso, Ellipse(64, 180, 9, 14)), kSweaterLight);
  // Collar.
  FillOutlined(image, Without(Ellipse(82, 157, 18, 9), Ellipse(82, 153, 12, 6)), kSweaterShade,
               kInk);
  const Shape star = Star(82, 194, 11, 4.6);
  Outline(image, star, kInk, 1);
  FillShaded(image, star, kStar, kStarShade, 1.5, 1.5);
}

void DrawArms(Image& image) {
  // Left arm hangs down and out; right arm waves up beside the head.
  const Shape leftArm = Capsule({52, 172}, {22, 204}, 8.5);
  const Shape rightArm = Capsule({112, 172}, {136, 148}, 8.5);
  for (const Shape& arm : {leftArm, rightArm}) {
    Outline(image, arm, kInk, 1);
    FillShaded(image, arm, kSweater, kSweaterShade, 2, 2);
  }
  const Shape leftHand = Circle(19, 208, 8);
  const Shape rightHand = Either(Circle(140, 143, 8), Ellipse(130, 140, 3.5, 5));
  for (const Shape& hand : {leftHand, rightHand}) {
    Outline(image, hand, kInk, 1);
    FillShaded(image, hand, kSkin, kSkinShade, 2, 2);
  }
  // Cuffs.
  FillOutlined(image, Capsule({24, 199}, {28, 203}, 3.5), kSweaterShade, kInk);
  FillOutlined(image, Capsule({131, 150}, {135, 154}, 3.5), kSweaterShade, kInk);
}

void DrawHead(Image& image) {
  // Ears and neck first, the head over them.
  for (double cx : {48.0, 116.0}) {
    const Shape ear = Ellipse(cx, 124, 7, 9);
    Outline(image, ear, kInk, 1);
    Fill(image, ear, kSkin);
    Fill(image, Ellipse(cx, 125, 3, 5), kSkinShade);
  }
  FillOutlined(image, Rect(71, 144, 94, 157), kSkinShade, kInk);

  const Shape head = Ellipse(82, 120, 34, 31);
  Outline(image, head, kInk, 1);
  FillShaded(image, head, kSkin, kSkinShade, 4, 4);

  // Hair: a cap over the top of the head, a wavy fringe and a curl.
  Shape hair = Both(Ellipse(82, 119, 35.5, 32.5), Rect(0, 0, 163, 104));
  for (double cx : {55.0, 67.0, 80.0, 94.0, 107.0}) hair = Either(hair, Circle(cx, 102, 8));
  hair = Both(hair, Ellipse(82, 119, 35.5, 32.5));
  const Shape curl = Without(Circle(84, 84, 7), Circle(88, 86, 3.5));
  hair = Either(hair, curl);
  Outline(image, hair, kInk, 1);
  FillShaded(image, hair, kHair, kHairShade, 3, 3);
  Fill(image, Both(hair, Ellipse(66, 95, 10, 4)), kHairLight);
  Fill(image, Both(head, Ellipse(58, 116, 5, 4)), kSkinLight);

  // Big eyes, looking a little up towards the speech bubble.
  for (double cx : {68.0, 96.0}) {
    const Shape eye = Ellipse(cx, 125, 8.5, 10.5);
    Outline(image, eye, kInk, 1);
    Fill(image, eye, kWhite);
    Fill(image, Both(eye, Ellipse(cx + 1, 123.5, 6, 7.5)), kIris);
    Fill(image, Ellipse(cx + 1, 123, 3.2, 4), kPupil);
    Fill(image, Circle(cx - 1.5, 120.5, 2.3), kWhite);
    Fill(image, Circle(cx + 3.5, 127.5, 1.2), kWhite);
    Fill(image, Capsule({cx - 6, 110}, {cx + 5, 109}, 1.6), kHairShade);
  }
  Fill(image, Ellipse(56, 139, 5.5, 3.5), kCheek);
  Fill(image, Ellipse(108, 139, 5.5, 3.5), kCheek);

  // An open smile.
  const Shape mouth = Both(Ellipse(82, 138, 9, 9), Rect(0, 138, 163, 251));
  Outline(image, mouth, kInk, 1);
  Fill(image, mouth, kMouth);
  Fill(image, Both(mouth, Ellipse(82, 147, 6, 4)), kTongue);
}

void DrawPanel(Image& image) {
  Fill(image, RoundRect(2, 226, 161, 250, 7), kPanelDark);
  Fill(image, RoundRect(3, 227, 160, 249, 6), kPanelLight);
  Fill(image, RoundRect(3, 228, 160, 249, 6), kPanel);
  Fill(image, RoundRect(6, 229, 155, 247, 2), kPanelDark);
  Fill(image, Rect(8, 231, 153, 245), kBlack);
}

void CheckControls(const Image& image) {
  for (const ControlArea& area : kCharacterControls)
    for (int y = area.top; y < area.top + area.height; ++y)
      for (int x = area.left; x < area.left + area.width; ++x)
        if (!(image.At(x, y) == area.colour))
          throw std::logic_error(std::string("the ") + area.name + " is not plain");
}

// Tiny pictures are pixel art; these are the ones drawn on a disc.
Image Glyph(Rgb disc, std::initializer_list<std::string_view> symbol) {
  Image image(10, 10, kWhite);
  Blit(image, 0, 0,
       {"...####...", ".########.", ".########.", "##########", "##########", "##########",
        "##########", ".########.", ".########.", "...####..."},
       {{'#', disc}});
  Blit(image, 0, 0, symbol, {{'w', kWhite}});
  return image;
}

Image Floppy(Rgb body) {
  Image image(13, 13, kButtonFace);
  Blit(image, 0, 0,
       {"kkkkkkkkkkkk.", "kbbmmmmdmmbbk", "kbbmmmmdmmbbk", "kbbmmmmdmmbbk", "kbbmmmmmmmbbk",
        "kbbbbbbbbbbbk", "kbwwwwwwwwwbk", "kbwllllllwwbk", "kbwwwwwwwwwbk", "kbwllllwwwwbk",
        "kbwwwwwwwwwbk", "kbwwwwwwwwwbk", "kkkkkkkkkkkkk"},
       {{'k', kInk},
        {'b', body},
        {'m', {196, 200, 210}},
        {'d', {90, 94, 110}},
        {'w', kWhite},
        {'l', {150, 160, 190}}});
  return image;
}

// The character's face for the icons, in the icons' own 16 colours (index 0 is black and
// stands under the transparent pixels).
constexpr Rgb kIconPalette[] = {kBlack, kInk,   kSkin,  kSkinShade, kWhite,     kIris,
                                kHair,  kCheek, kMouth, kSweater,   kHairShade, kSweaterShade};
constexpr std::string_view kIconKeys = ".kstwehpmbHB";

std::vector<uint8_t> FaceIcon(bool withShoulders) {
  const std::string_view face[16] = {
      ".......kk.......", "....kkhhkkk.....", "...kkhhhhhhkk...", "..khhhhhhhhhhk..",
      ".khhhhhhhhhhhhk.", "khhssshhhhssshhk", "kssssssssssssssk", "kssswesssswesssk",
      "kssseesssseesssk", "kspseesssseespsk", "kppsssmmmmsssppk", ".ksssssmmsssssk.",
      ".kttssssssssttk.", "..kttssssssttk..", "...kkttttttkk...", "................"};
  const std::string_view shoulders[2] = {"..kbbkkkkkkbbk..", ".kbbbbbbbbbbbbk."};
  std::vector<int> indexes;
  for (int y = 0; y < 16; ++y) {
    std::string_view row = face[y];
    if (withShoulders && y >= 14) row = shoulders[y - 14];
    if (row.size() != 16) throw std::logic_error("icon rows are 16 pixels wide");
    for (char key : row) {
      const size_t at = kIconKeys.find(key);
      indexes.push_back(key == '.' || at == std::string_view::npos ? -1 : static_cast<int>(at));
    }
  }
  return EncodeIco4(16, 16, kIconPalette, indexes);
}

}  // namespace

Image DrawCharacter() {
  Image image(kCharacterWidth, kCharacterHeight, kSkinGreen);
  DrawBody(image);
  DrawArms(image);
  DrawHead(image);
  DrawPanel(image);
  DrawBubble(image);
  CheckControls(image);
  return image;
}

Image DrawAboutGlyph() {
  return Glyph({70, 128, 220}, {"", "", "....ww....", "...w..w...", ".....ww...", "....w.....",
                                "..........", "....w....."});
}

Image DrawMinimizeGlyph() {
  return Glyph({236, 168, 40}, {"", "", "", "", "", "", "..wwwwww.."});
}

Image DrawCloseGlyph() {
  return Glyph({222, 70, 70}, {"", "", "..w....w..", "...w..w...", "....ww....", "....ww....",
                               "...w..w...", "..w....w.."});
}

Image DrawRecordButton() {
  Image image(20, 20, kWhite);
  Fill(image, Circle(10, 10, 7.5), {150, 20, 24});
  Fill(image, Circle(10, 10, 6.5), {222, 36, 40});
  Fill(image, Circle(8, 8, 2.2), {255, 140, 140});
  return image;
}

Image DrawPlayButton() {
  Image image(20, 20, kWhite);
  Fill(image, Polygon({{5, 3}, {5, 17}, {16.5, 10}}), kBlack);
  return image;
}

Image DrawStopButton() {
  Image image(20, 20, kWhite);
  Fill(image, Rect(5, 5, 15, 15), kBlack);
  return image;
}

Image DrawSaveDisk() {
  return Floppy({40, 80, 170});
}

Image DrawLoadDisk() {
  return Floppy({176, 56, 56});
}

Image DrawLogo() {
  // White is the transparent colour (the bottom-left pixel); the art avoids it.
  constexpr Rgb kNearWhite{250, 250, 250};
  Image image(113, 45, kWhite);
  const Shape face = Circle(50, 13, 10.5);
  Outline(image, face, kInk, 1);
  FillShaded(image, face, kSkin, kSkinShade, 2, 2);
  FillOutlined(image, Both(Circle(50, 13, 11), Rect(0, 0, 113, 8)), kHair, kInk);
  for (double cx : {46.0, 54.0}) {
    Fill(image, Ellipse(cx, 13, 2, 3), kPupil);
    Fill(image, Rect(cx - 1.5, 11, cx - 0.5, 12), kNearWhite);
  }
  Fill(image, Both(Ellipse(50, 17, 3.5, 3), Rect(0, 17, 113, 45)), kMouth);
  // A little speech bubble beside the face.
  const Shape bubble = Either(RoundRect(64, 2, 84, 14, 4), Polygon({{66, 12}, {71, 12}, {62, 18}}));
  Outline(image, bubble, kBubbleInk, 1);
  Fill(image, bubble, kNearWhite);
  for (int x : {68, 73, 78}) Fill(image, Rect(x, 7, x + 2, 9), kBubbleInk);

  const int width = TextWidth5x7("Quelvoran", 2);
  const int left = (image.Width() - width) / 2;
  DrawText5x7(image, left + 1, 29, "Quelvoran", 2, kSweaterLight);
  DrawText5x7(image, left, 28, "Quelvoran", 2, kSweaterShade);
  return image;
}

std::vector<AssetFile> GenerateAssets() {
  const Image character = DrawCharacter();
  const std::vector<uint8_t> mask = OutlineMask(character);
  const std::vector<RegionRect> rects = BandMask(character.Width(), character.Height(), mask);
  return {
      {"Character.bmp", EncodeBmp24(character)},
      {"Character.mask2", BuildMask2(rects)},
      {"About.bmp", EncodeBmp24(DrawAboutGlyph())},
      {"Minimize.bmp", EncodeBmp24(DrawMinimizeGlyph())},
      {"Close.bmp", EncodeBmp24(DrawCloseGlyph())},
      {"RecordBtn.bmp", EncodeBmp24(DrawRecordButton())},
      {"PlayBtn.bmp", EncodeBmp24(DrawPlayButton())},
      {"StopBtn.bmp", EncodeBmp24(DrawStopButton())},
      {"SaveDisk.bmp", EncodeBmp24(DrawSaveDisk())},
      {"LoadDisk.bmp", EncodeBmp24(DrawLoadDisk())},
      {"Logo.bmp", EncodeBmp24(DrawLogo())},
      {"MainIcon.ico", FaceIcon(true)},
      {"TrayIcon.ico", FaceIcon(false)},
  };
}
