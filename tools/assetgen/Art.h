// The character's pictures, drawn from code: the same run always yields the same bytes.
#pragma once

#include <string>
#include <vector>

#include "Image.h"

// Where the controls lie on the character picture; the outline must hold all of them.
struct ControlArea {
  const char* name;
  int left, top, width, height;
  Rgb colour;  // the plain colour the area must have
};

inline constexpr ControlArea kCharacterControls[] = {
    {"speech area", 14, 16, 134, 54, {255, 255, 255}},
    {"About glyph", 119, 5, 10, 10, {255, 255, 255}},
    {"minimise glyph", 131, 5, 10, 10, {255, 255, 255}},
    {"close glyph", 144, 5, 10, 10, {255, 255, 255}},
    {"input field", 8, 231, 145, 14, {0, 0, 0}},
};

inline constexpr int kCharacterWidth = 163;
inline constexpr int kCharacterHeight = 251;

Image DrawCharacter();
Image DrawAboutGlyph();
Image DrawMinimizeGlyph();
Image DrawCloseGlyph();
Image DrawRecordButton();
Image DrawPlayButton();
Image DrawStopButton();
Image DrawSaveDisk();
Image DrawLoadDisk();
Image DrawLogo();

struct AssetFile {
  std::string name;
  std::vector<uint8_t> bytes;
};

// Every generated file, Character.mask2 (the outline of Character.bmp) included.
std::vector<AssetFile> GenerateAssets();
// The sample plugins, each file named with its folder ("Hat.plg/plugin.ini").
std::vector<AssetFile> GeneratePlugins();
