#pragma once

#include <QRgb>

// The colours of the artwork, shared by the hand-drawn icon pixels, the drawn sizes and the About
// picture so that they all read as one program.
namespace colours {

inline constexpr QRgb rim = 0xff1c2633;
inline constexpr QRgb bodyLight = 0xff5a7fa8;
inline constexpr QRgb body = 0xff3e5f86;
inline constexpr QRgb bodyDark = 0xff2c4566;
inline constexpr QRgb key = 0xfff4f7fb;
inline constexpr QRgb keyShade = 0xffb4c2d4;
inline constexpr QRgb display = 0xff9ae6c0;
inline constexpr QRgb displayDark = 0xff4f9e7b;
inline constexpr QRgb accent = 0xffff9a2e;
inline constexpr QRgb accentDark = 0xffc86400;
inline constexpr QRgb accentLight = 0xffffd08a;
inline constexpr QRgb white = 0xffffffff;
inline constexpr QRgb paper = 0xfff3f6fa;
inline constexpr QRgb paperShade = 0xffc9d6e4;

} // namespace colours
