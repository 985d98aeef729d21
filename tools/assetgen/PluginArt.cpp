// The sample plugins: a knitted cap that sits on the character's head and a wooden sign
// hung round its neck, which rings a chime.
#include <cmath>
#include <stdexcept>
#include <string>

#include "Art.h"
#include "Draw.h"

namespace {

// Left undrawn when the plugin is drawn: the bottom-left pixel of each picture has it.
constexpr Rgb kMagenta{255, 0, 255};
constexpr Rgb kInk{52, 40, 56};
constexpr Rgb kWhite{255, 255, 255};
constexpr Rgb kWool{206, 52, 60};
constexpr Rgb kWoolShade{158, 34, 48};
constexpr Rgb kWoolLight{238, 96, 96};
constexpr Rgb kPompomShade{214, 214, 226};
constexpr Rgb kWood{204, 148, 86};
constexpr Rgb kWoodShade{168, 112, 60};
constexpr Rgb kWoodGrain{186, 128, 70};
constexpr Rgb kCarving{92, 52, 26};
constexpr Rgb kString{104, 70, 40};

// Where a picture lies on the character window's client area.
struct Placement {
  int left, top, width, height;
};

constexpr Placement kHatPlace{44, 72, 80, 36};
constexpr Placement kSignPlace{50, 163, 64, 46};

// Pixels the character window shows: the window is cut to the character's outline.
Shape OnCharacter(const Image& character) {
  return [&character](double x, double y) {
    const int px = static_cast<int>(std::floor(x)), py = static_cast<int>(std::floor(y));
    return character.Contains(px, py) && !(character.At(px, py) == kSkinGreen);
  };
}

// The shape less its edge pixels (4-neighbours), for an outline drawn inside the shape.
Shape Inner(const Shape& s) {
  return Both(Both(Moved(s, 1, 0), Moved(s, -1, 0)),
              Both(Moved(s, 0, 1), Both(s, Moved(s, 0, -1))));
}

// Drawn in window coordinates on a magenta canvas of the character's size, then cut out;
// every drawn pixel must lie within the picture and on the character.
Image CutOut(const Image& canvas, const Image& character, const Placement& place,
             const char* name) {
  Image picture(place.width, place.height, kMagenta);
  for (int y = 0; y < canvas.Height(); ++y)
    for (int x = 0; x < canvas.Width(); ++x) {
      const Rgb c = canvas.At(x, y);
      if (c == kMagenta) continue;
      const int px = x - place.left, py = y - place.top;
      if (!picture.Contains(px, py))
        throw std::logic_error(std::string("the ") + name + " runs out of its picture");
      if (character.At(x, y) == kSkinGreen)
        throw std::logic_error(std::string("the ") + name + " runs off the character");
      picture.Set(px, py, c);
    }
  if (!(picture.At(0, picture.Height() - 1) == kMagenta))
    throw std::logic_error(std::string("the ") + name + "'s bottom-left pixel is drawn");
  return picture;
}

Image DrawHat(const Image& character) {
  Image canvas(character.Width(), character.Height(), kMagenta);
  // The cap follows the hair's outline down to the brows, so the window shows all of it.
  const Shape cap =
      Both(Both(Ellipse(82, 119, 37.5, 34.5), Rect(0, 84, 163, 107)), OnCharacter(character));
  const Shape knit = Inner(cap);
  Fill(canvas, cap, kInk);
  Fill(canvas, knit, kWoolShade);
  Fill(canvas, Both(knit, Moved(Ellipse(82, 119, 36.5, 33.5), -3, -2)), kWool);
  Fill(canvas, Both(knit, Ellipse(66, 92, 9, 3)), kWoolLight);
  // A white band round the crown, and the turned-up ribbed brim.
  Fill(canvas, Both(knit, Rect(0, 93, 163, 96)), kWhite);
  const Shape brim = Both(knit, Rect(0, 99, 163, 107));
  Fill(canvas, Both(cap, Rect(0, 98, 163, 99)), kInk);
  Fill(canvas, brim, kWool);
  for (int x = 48; x < 120; x += 3) Fill(canvas, Both(brim, Rect(x, 0, x + 1, 251)), kWoolShade);
  // The pompom covers the curl that sticks up, in front of the bubble's edge; the window
  // cuts it where the curl has its hole.
  const Shape pompom = Both(Circle(84, 80, 8), OnCharacter(character));
  Fill(canvas, pompom, kInk);
  Fill(canvas, Inner(pompom), kPompomShade);
  Fill(canvas, Both(Inner(pompom), Circle(82.5, 78.5, 6)), kWhite);
  return CutOut(canvas, character, kHatPlace, "hat");
}

Image DrawSign(const Image& character) {
  Image canvas(character.Width(), character.Height(), kMagenta);
  // The board hides the star; two strings run from under the collar to its nails.
  const Shape board = RoundRect(52, 172, 112, 207, 3);
  Outline(canvas, board, kInk, 1);
  Fill(canvas, board, kWoodShade);
  Fill(canvas, Both(board, Moved(board, -1, -1)), kWood);
  const int grain[][3] = {{57, 82, 178}, {88, 104, 180}, {58, 76, 196}, {70, 106, 201}};
  for (const auto& [from, to, y] : grain) Fill(canvas, Rect(from, y, to, y + 1), kWoodGrain);
  for (const auto& [top, nail] : {std::pair<Point, Point>{{73, 165}, {59, 176}},
                                  std::pair<Point, Point>{{91, 165}, {105, 176}}}) {
    Fill(canvas, Capsule(top, nail, 0.9), kString);
    Fill(canvas, Circle(nail.x, nail.y, 1.3), kInk);
  }
  const std::string_view text = "\xCF\xF0\xE8\xE2\xE5\xF2!";  // "Privet!" in Windows-1251
  const int left = 52 + (60 - TextWidth5x7(text, 1)) / 2;
  DrawText5x7(canvas, left, 186, text, 1, kCarving);
  return CutOut(canvas, character, kSignPlace, "sign");
}

// Sine of a phase in turns, from plain arithmetic (Taylor series), so every machine makes
// the same samples.
double SineTurns(double turns) {
  constexpr double kPi = 3.14159265358979323846;
  double x = (turns - std::floor(turns + 0.5)) * 2 * kPi;  // within [-pi, pi]
  double term = x, sum = x;
  for (int n = 1; n < 14; ++n) {
    term *= -x * x / ((2 * n) * (2 * n + 1));
    sum += term;
  }
  return sum;
}

// A two-note chime (C6, then E6), each note a bell-like tone with a few partials fading out.
std::vector<int16_t> SynthesizeChime(int rate) {
  const double kLength = 0.42;
  const int count = static_cast<int>(kLength * rate);
  struct Note {
    double start, frequency, length;
  };
  const Note notes[] = {{0.0, 1046.5, 0.30}, {0.11, 1318.5, 0.31}};
  const double partials[][2] = {{1.0, 0.62}, {2.0, 0.22}, {3.0, 0.08}, {4.2, 0.04}};
  std::vector<int16_t> samples(count);
  for (int i = 0; i < count; ++i) {
    const double t = static_cast<double>(i) / rate;
    double value = 0;
    for (const Note& note : notes) {
      const double local = t - note.start;
      if (local < 0 || local >= note.length) continue;
      const double attack = local < 0.004 ? local / 0.004 : 1.0;
      const double fall = 1.0 - local / note.length;
      for (const auto& [multiple, amplitude] : partials) {
        // Higher partials die away faster.
        double envelope = fall * fall;
        for (int k = 1; k < multiple; ++k) envelope *= fall;
        value += attack * envelope * amplitude * SineTurns(note.frequency * multiple * local);
      }
    }
    samples[i] = static_cast<int16_t>(std::lround(value * 0.42 * 32767));
  }
  return samples;
}

void PutTag(std::vector<uint8_t>& out, const char (&tag)[5]) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(tag[i]));
}

// A RIFF wave file: mono 16-bit PCM.
std::vector<uint8_t> EncodeWav16(const std::vector<int16_t>& samples, int rate) {
  const uint32_t dataBytes = static_cast<uint32_t>(samples.size() * 2);
  std::vector<uint8_t> out;
  out.reserve(44 + dataBytes);
  PutTag(out, "RIFF");
  PutU32(out, 36 + dataBytes);
  PutTag(out, "WAVE");
  PutTag(out, "fmt ");
  PutU32(out, 16);
  PutU16(out, 1);  // PCM
  PutU16(out, 1);  // mono
  PutU32(out, static_cast<uint32_t>(rate));
  PutU32(out, static_cast<uint32_t>(rate) * 2);
  PutU16(out, 2);
  PutU16(out, 16);
  PutTag(out, "data");
  PutU32(out, dataBytes);
  for (int16_t s : samples) PutU16(out, static_cast<uint16_t>(s));
  return out;
}

// plugin.ini as the platform's profile functions read it: Windows-1251, CR LF.
std::vector<uint8_t> PluginIni(const std::string& image, const Placement& place,
                               const std::string& wave) {
  std::string text = "[PLUGIN]\r\nImgName=" + image + "\r\nPTop=" + std::to_string(place.top) +
                     "\r\nPLeft=" + std::to_string(place.left) +
                     "\r\n\r\n[SOUND]\r\nWav=" + (wave.empty() ? "False" : "True") +
                     "\r\nWavName=" + wave + "\r\n";
  return {text.begin(), text.end()};
}

}  // namespace

std::vector<AssetFile> GeneratePlugins() {
  const Image character = DrawCharacter();
  constexpr int kRate = 22050;
  return {
      {"Hat.plg/plugin.ini", PluginIni("Hat.bmp", kHatPlace, "")},
      {"Hat.plg/Hat.bmp", EncodeBmp24(DrawHat(character))},
      {"Sign.plg/plugin.ini", PluginIni("Sign.bmp", kSignPlace, "Chime.wav")},
      {"Sign.plg/Sign.bmp", EncodeBmp24(DrawSign(character))},
      {"Sign.plg/Chime.wav", EncodeWav16(SynthesizeChime(kRate), kRate)},
  };
}
