// Hard-edged drawing for the generated pictures: shapes are tests on pixel centres, so
// nothing blends into the skin's background colour and every run is reproducible.
#pragma once

#include <functional>
#include <initializer_list>
#include <string_view>
#include <utility>
#include <vector>

#include "Image.h"

// Whether the pixel centre (x, y) lies in the shape.
using Shape = std::function<bool(double x, double y)>;

struct Point {
  double x, y;
};

Shape Ellipse(double cx, double cy, double rx, double ry);
Shape Circle(double cx, double cy, double r);
// Pixels [left, right) x [top, bottom), corners rounded with the given radius.
Shape RoundRect(double left, double top, double right, double bottom, double radius);
Shape Rect(double left, double top, double right, double bottom);
// Even-odd fill of a closed polygon.
Shape Polygon(std::vector<Point> points);
// A thick segment with round ends.
Shape Capsule(Point a, Point b, double radius);

Shape Both(Shape a, Shape b);
Shape Either(Shape a, Shape b);
Shape Without(Shape a, Shape b);
Shape Moved(Shape s, double dx, double dy);

void Fill(Image& image, const Shape& shape, Rgb colour);
// Every pixel within `thickness` pixels (8-connected) of the shape but not in it.
void Outline(Image& image, const Shape& shape, Rgb colour, int thickness);
// Fill with an outline drawn round it.
void FillOutlined(Image& image, const Shape& shape, Rgb fill, Rgb ink, int thickness = 1);

// Pixel art: one string per row, each character looked up in the palette; characters
// not in it leave the pixel alone.
void Blit(Image& image, int left, int top, std::initializer_list<std::string_view> rows,
          std::initializer_list<std::pair<char, Rgb>> palette);

// Text in the built-in 5 x 7 font (the letters the logo and the plugin sign need; Russian as
// Windows-1251 bytes), each pixel scale x scale.
void DrawText5x7(Image& image, int left, int top, std::string_view text, int scale, Rgb colour);
int TextWidth5x7(std::string_view text, int scale);
