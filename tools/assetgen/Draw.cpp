#include "Draw.h"

#include <algorithm>
#include <array>
#include <stdexcept>
#include <string>

Shape Ellipse(double cx, double cy, double rx, double ry) {
  return [=](double x, double y) {
    const double dx = (x - cx) / rx, dy = (y - cy) / ry;
    return dx * dx + dy * dy <= 1.0;
  };
}

Shape Circle(double cx, double cy, double r) {
  return Ellipse(cx, cy, r, r);
}

Shape Rect(double left, double top, double right, double bottom) {
  return [=](double x, double y) { return x >= left && x < right && y >= top && y < bottom; };
}

Shape RoundRect(double left, double top, double right, double bottom, double radius) {
  return [=](double x, double y) {
    if (x < left || x >= right || y < top || y >= bottom) return false;
    const double cx = std::clamp(x, left + radius, right - radius);
    const double cy = std::clamp(y, top + radius, bottom - radius);
    const double dx = x - cx, dy = y - cy;
    return dx * dx + dy * dy <= radius * radius;
  };
}

Shape Polygon(std::vector<Point> points) {
  return [points = std::move(points)](double x, double y) {
    bool inside = false;
    for (size_t i = 0, j = points.size() - 1; i < points.size(); j = i++) {
      const Point& a = points[i];
      const Point& b = points[j];
      if ((a.y > y) != (b.y > y) && x < (b.x - a.x) * (y - a.y) / (b.y - a.y) + a.x)
        inside = !inside;
    }
    return inside;
  };
}

Shape Capsule(Point a, Point b, double radius) {
  return [=](double x, double y) {
    const double vx = b.x - a.x, vy = b.y - a.y;
    const double length2 = vx * vx + vy * vy;
    double t = length2 > 0 ? ((x - a.x) * vx + (y - a.y) * vy) / length2 : 0;
    t = std::clamp(t, 0.0, 1.0);
    const double dx = x - (a.x + t * vx), dy = y - (a.y + t * vy);
    return dx * dx + dy * dy <= radius * radius;
  };
}

Shape Both(Shape a, Shape b) {
  return [=](double x, double y) { return a(x, y) && b(x, y); };
}

Shape Either(Shape a, Shape b) {
  return [=](double x, double y) { return a(x, y) || b(x, y); };
}

Shape Without(Shape a, Shape b) {
  return [=](double x, double y) { return a(x, y) && !b(x, y); };
}

Shape Moved(Shape s, double dx, double dy) {
  return [=](double x, double y) { return s(x - dx, y - dy); };
}

void Fill(Image& image, const Shape& shape, Rgb colour) {
  for (int y = 0; y < image.Height(); ++y)
    for (int x = 0; x < image.Width(); ++x)
      if (shape(x + 0.5, y + 0.5)) image.Set(x, y, colour);
}

void Outline(Image& image, const Shape& shape, Rgb colour, int thickness) {
  const int w = image.Width(), h = image.Height();
  std::vector<uint8_t> in(static_cast<size_t>(w) * h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) in[static_cast<size_t>(y) * w + x] = shape(x + 0.5, y + 0.5);
  // A round pen: offsets within the thickness, corners of the square left out.
  const int reach = thickness * thickness + thickness;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      if (in[static_cast<size_t>(y) * w + x]) continue;
      bool near = false;
      for (int dy = -thickness; dy <= thickness && !near; ++dy)
        for (int dx = -thickness; dx <= thickness && !near; ++dx) {
          const int nx = x + dx, ny = y + dy;
          near = dx * dx + dy * dy <= reach && image.Contains(nx, ny) &&
                 in[static_cast<size_t>(ny) * w + nx];
        }
      if (near) image.Set(x, y, colour);
    }
}

void FillOutlined(Image& image, const Shape& shape, Rgb fill, Rgb ink, int thickness) {
  Outline(image, shape, ink, thickness);
  Fill(image, shape, fill);
}

void Blit(Image& image, int left, int top, std::initializer_list<std::string_view> rows,
          std::initializer_list<std::pair<char, Rgb>> palette) {
  int y = top;
  for (std::string_view row : rows) {
    for (size_t i = 0; i < row.size(); ++i)
      for (const auto& [key, colour] : palette)
        if (row[i] == key) image.Set(left + static_cast<int>(i), y, colour);
    ++y;
  }
}

namespace {

struct Glyph {
  char letter;
  std::array<const char*, 7> rows;
};

constexpr Glyph kFont[] = {
    {'Q', {".###.", "#...#", "#...#", "#...#", "#.#.#", "#..#.", ".##.#"}},
    {'u', {".....", ".....", "#...#", "#...#", "#...#", "#..##", ".##.#"}},
    {'e', {".....", ".....", ".###.", "#...#", "#####", "#....", ".###."}},
    {'l', {".##..", "..#..", "..#..", "..#..", "..#..", "..#..", ".###."}},
    {'v', {".....", ".....", "#...#", "#...#", "#...#", ".#.#.", "..#.."}},
    {'o', {".....", ".....", ".###.", "#...#", "#...#", "#...#", ".###."}},
    {'r', {".....", ".....", "#.##.", "##..#", "#....", "#....", "#...."}},
    {'a', {".....", ".....", ".###.", "....#", ".####", "#...#", ".####"}},
    {'n', {".....", ".....", "#.##.", "##..#", "#...#", "#...#", "#...#"}},
    {'!', {"..#..", "..#..", "..#..", "..#..", "..#..", ".....", "..#.."}},
    // Windows-1251 letters of the plugin sign.
    {'\xCF', {"#####", "#...#", "#...#", "#...#", "#...#", "#...#", "#...#"}},
    {'\xF0', {".....", ".....", "####.", "#...#", "####.", "#....", "#...."}},
    {'\xE8', {".....", ".....", "#...#", "#..##", "#.#.#", "##..#", "#...#"}},
    {'\xE2', {".....", ".....", "####.", "#...#", "####.", "#...#", "####."}},
    {'\xE5', {".....", ".....", ".###.", "#...#", "#####", "#....", ".###."}},
    {'\xF2', {".....", ".....", "#####", "..#..", "..#..", "..#..", "..#.."}},
};

const Glyph& FindGlyph(char letter) {
  for (const Glyph& g : kFont)
    if (g.letter == letter) return g;
  throw std::invalid_argument(std::string("no glyph for '") + letter + "'");
}

}  // namespace

int TextWidth5x7(std::string_view text, int scale) {
  if (text.empty()) return 0;
  return static_cast<int>(text.size()) * 6 * scale - scale;
}

void DrawText5x7(Image& image, int left, int top, std::string_view text, int scale, Rgb colour) {
  int x0 = left;
  for (char letter : text) {
    const Glyph& g = FindGlyph(letter);
    for (int row = 0; row < 7; ++row)
      for (int col = 0; col < 5; ++col)
        if (g.rows[row][col] == '#')
          for (int dy = 0; dy < scale; ++dy)
            for (int dx = 0; dx < scale; ++dx)
              image.Set(x0 + col * scale + dx, top + row * scale + dy, colour);
    x0 += 6 * scale;
  }
}
