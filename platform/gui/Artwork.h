#pragma once
// The program's pictures, drawn in code so the program folder needs no image
// files: the program icon, the ten traffic-light images, the button glyphs
// and the bar's background.

#include <QIcon>
#include <QImage>
#include <QPixmap>

namespace artwork
{

constexpr int TrafficLightCount = 10;
constexpr int TrafficLightSize = 16;

// Index 0/1/2: red lamp unlit, half lit, lit; 3/4/5: yellow unlit, half, lit;
// 6/7/8: green unlit, half, lit; 9: blue. Out-of-range indexes give index 0.
QPixmap trafficLight(int index);

// A small traffic light, used as window and tray icon. The image needs no
// application object: the build renders the installed icons with it.
QIcon programIcon();
QPixmap programPixmap(int size);
QImage programImage(int size);

enum class Glyph { Archive, Tariffs, Options, Drag, Quit };
QPixmap glyph(Glyph g);

// The stretched background picture of the bar's strip.
QPixmap barBackground(int width, int height);

} // namespace artwork
