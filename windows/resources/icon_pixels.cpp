#include "windows/resources/icon_pixels.h"

#include "windows/resources/artwork_colours.h"

#include <algorithm>
#include <array>
#include <stdexcept>
#include <string_view>

namespace {

// '#' rim, 'h' lit edge, 'b' body, 'd' shaded edge, 'L' display, 'l' its lower edge, 'K' key,
// 'k' its lower edge, 'A' and 'a' the lit key, 'W' tone waves, '.' transparent.
// At 16 pixels there is no room for the antenna and the earpiece; the display and the twelve
// keys are what must survive.
// clang-format off
constexpr std::array<std::string_view, 16> pixels16{
    ".##########...W.",
    "#hLLLLLLLLd#W..W",
    "#hbbbbbbbbd#.W.W",
    "#hKKbKKbKKd#.W.W",
    "#hkkbkkbkkd#W..W",
    "#hbbbbbbbbd#..W.",
    "#hKKbAAbKKd#....",
    "#hkkbaabkkd#....",
    "#hbbbbbbbbd#....",
    "#hKKbKKbKKd#....",
    "#hkkbkkbkkd#....",
    "#hbbbbbbbbd#....",
    "#hKKbKKbKKd#....",
    "#hkkbkkbkkd#....",
    "#hddddddddd#....",
    ".##########.....",
};
// clang-format on

// clang-format off
constexpr std::array<std::string_view, 32> pixels32{
    "....##..........................",
    "....##.....................WW...",
    "....##......................WW..",
    "....################.....WW..WW.",
    "..##hhhhh######hhhhh##....WW.WW.",
    ".#hbbbbbbbbbbbbbbbbbbd#.W..WW.WW",
    ".#hbLLLLLLLLLLLLLLLLbd#.WW.WW.WW",
    ".#hbLLLLLLLLLLLLLLLLbd#.WW.WW.WW",
    ".#hbllllllllllllllllbd#.WW.WW.WW",
    ".#hb################bd#.WW.WW.WW",
    ".#hbbbbbbbbbbbbbbbbbbd#.W..WW.WW",
    ".#hbKKKKbbKKKKbbKKKKbd#...WW.WW.",
    ".#hbKKKKbbKKKKbbKKKKbd#..WW..WW.",
    ".#hbkkkkbbkkkkbbkkkkbd#.....WW..",
    ".#hb####bb####bb####bd#....WW...",
    ".#hbbbbbbbbbbbbbbbbbbd#.........",
    ".#hbKKKKbbAAAAbbKKKKbd#.........",
    ".#hbKKKKbbAAAAbbKKKKbd#.........",
    ".#hbkkkkbbaaaabbkkkkbd#.........",
    ".#hb####bb####bb####bd#.........",
    ".#hbbbbbbbbbbbbbbbbbbd#.........",
    ".#hbKKKKbbKKKKbbKKKKbd#.........",
    ".#hbKKKKbbKKKKbbKKKKbd#.........",
    ".#hbkkkkbbkkkkbbkkkkbd#.........",
    ".#hb####bb####bb####bd#.........",
    ".#hbbbbbbbbbbbbbbbbbbd#.........",
    ".#hbKKKKbbKKKKbbKKKKbd#.........",
    ".#hbKKKKbbKKKKbbKKKKbd#.........",
    ".#hbkkkkbbkkkkbbkkkkbd#.........",
    ".#hb####bb####bb####bd#.........",
    "..##dddddddddddddddd##..........",
    "....################............",
};
// clang-format on

// A map with a short or long row would be read out of bounds.
template <std::size_t N> constexpr bool isSquare(const std::array<std::string_view, N>& rows) {
    return std::all_of(rows.begin(), rows.end(),
                       [](std::string_view row) { return row.size() == N; });
}
static_assert(isSquare(pixels16) && isSquare(pixels32));

// Sixteen colours chosen for this picture rather than the stock sixteen, which have no slate
// blue and no soft green.
constexpr std::array<QRgb, 16> sixteenColours{
    0xff000000,           colours::rim,    colours::bodyLight,  colours::body,
    colours::bodyDark,    colours::key,    colours::keyShade,   colours::display,
    colours::displayDark, colours::accent, colours::accentDark, colours::accentLight,
    colours::white,       0xff000000,      0xff000000,          0xff000000,
};

QRgb mix(QRgb a, QRgb b, double t) {
    const auto channel = [t](int x, int y) { return int(x + (y - x) * t + 0.5); };
    return qRgb(channel(qRed(a), qRed(b)), channel(qGreen(a), qGreen(b)),
                channel(qBlue(a), qBlue(b)));
}

class PixelMap {
public:
    PixelMap(const std::string_view* rows, int size) : rows(rows), size(size) {}

    char at(int x, int y) const {
        return x < 0 || y < 0 || x >= size || y >= size ? '.' : rows[y][x];
    }

    // Light falls from above: the top row of a key or of the display is brighter.
    bool topOf(int x, int y) const { return at(x, y - 1) != at(x, y); }

    QRgb colour(int x, int y, bool shaded) const {
        const QRgb bodyHere = mix(colours::bodyLight, colours::bodyDark, double(y) / (size - 1));
        switch (at(x, y)) {
        case '#':
            return colours::rim;
        case 'h':
            return shaded ? mix(bodyHere, colours::white, 0.25) : colours::bodyLight;
        case 'b':
            return shaded ? bodyHere : colours::body;
        case 'd':
            return shaded ? mix(bodyHere, colours::rim, 0.45) : colours::bodyDark;
        case 'L':
            return shaded && topOf(x, y) ? mix(colours::display, colours::white, 0.4)
                                         : colours::display;
        case 'l':
            return colours::displayDark;
        case 'K':
            return topOf(x, y) ? colours::white : colours::key;
        case 'k':
            return colours::keyShade;
        case 'A':
            return topOf(x, y) ? colours::accentLight : colours::accent;
        case 'a':
            return colours::accentDark;
        case 'W':
            return colours::accent;
        }
        throw std::logic_error("unknown pixel in the icon map");
    }

private:
    const std::string_view* rows;
    int size;
};

} // namespace

IndexedImage iconPixels(int size, int bitsPerPixel) {
    if ((size != 16 && size != 32) || (bitsPerPixel != 4 && bitsPerPixel != 8))
        throw std::invalid_argument("the icon is drawn at 16 and 32 pixels, 4 and 8 bits");
    const PixelMap map(size == 16 ? pixels16.data() : pixels32.data(), size);
    const bool shaded = bitsPerPixel == 8;

    IndexedImage image{size, bitsPerPixel, {}, {}, {}};
    if (shaded)
        image.palette.push_back(0xff000000);
    else
        image.palette.assign(sixteenColours.begin(), sixteenColours.end());
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            const bool clear = map.at(x, y) == '.';
            image.transparent.push_back(clear);
            // Transparent pixels use black, so that the screen shows through the XOR bitmap.
            const QRgb colour = clear ? 0xff000000 : map.colour(x, y, shaded);
            auto found = std::find(image.palette.begin(), image.palette.end(), colour);
            if (found == image.palette.end()) {
                if (!shaded)
                    throw std::logic_error("a 16-colour pixel outside its palette");
                found = image.palette.insert(image.palette.end(), colour);
            }
            image.indices.push_back(std::uint8_t(found - image.palette.begin()));
        }
    }
    if (image.palette.size() > std::size_t(1) << bitsPerPixel)
        throw std::logic_error("too many colours for the icon");
    image.palette.resize(std::size_t(1) << bitsPerPixel, 0xff000000);
    return image;
}
