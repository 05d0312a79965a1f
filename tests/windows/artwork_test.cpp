// The artwork as the window toolkit and the desktop read it: the program icon that the build packs
// from its four images, the About picture and the desktop icons. Each file is read by a reader
// that knows nothing of how it was made: icoutils, the files' own header bytes, the PNG decoder.

#include <QDir>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QXmlStreamReader>
#include <QtEndian>

#include <gtest/gtest.h>

#include <string>

namespace {

const QDir artwork(QStringLiteral(QUORVEL_ARTWORK_DIR));

QByteArray contents(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// A little-endian field of BYTES, or all ones when the file is too short to hold it.
quint32 field(const QByteArray& bytes, qsizetype at, int width) {
    if (at < 0 || at + width > bytes.size())
        return 0xffffffff;
    return width == 4   ? qFromLittleEndian<quint32>(bytes.constData() + at)
           : width == 2 ? qFromLittleEndian<quint16>(bytes.constData() + at)
                        : quint8(bytes[at]);
}

// `icotool -l` on the built icon, one line per image.
QStringList icotoolListing() {
    QProcess icotool;
    icotool.start("icotool", {"-l", QStringLiteral(QUORVEL_ICON)});
    if (!icotool.waitForFinished(30000) || icotool.exitCode() != 0)
        return {"icotool failed: " + icotool.readAllStandardError()};
    return QString(icotool.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
}

struct IconImage {
    int index; // from 1, as icotool counts
    int size;
    int bits;
};

class Icon : public testing::TestWithParam<IconImage> {};

TEST(Icon, HoldsExactlyFourImages) {
    EXPECT_EQ(icotoolListing().size(), 4) << icotoolListing().join('\n').toStdString();
    EXPECT_EQ(field(contents(QUORVEL_ICON), 4, 2), 4u);
}

TEST_P(Icon, ImageHasItsSizeDepthPaletteAndATransparentCorner) {
    const auto [index, n, bits] = GetParam();
    const QString expected =
        QString("--icon --index=%1 --width=%2 --height=%2 --bit-depth=%3 --palette-size=%4")
            .arg(index)
            .arg(n)
            .arg(bits)
            .arg(1 << bits);
    EXPECT_EQ(icotoolListing().value(index - 1).toStdString(), expected.toStdString());

    // The transparency mask follows the palette and the colour rows, bottom row first, one bit a
    // pixel with rows padded to 32 bits; a set bit is a transparent pixel.
    const QByteArray ico = contents(QUORVEL_ICON);
    const qsizetype image = field(ico, 6 + 16 * (index - 1) + 12, 4);
    ASSERT_EQ(field(ico, image + 8, 4), quint32(2 * n)) << "no mask below the colours";
    const qsizetype mask = image + 40 + 4 * (1 << bits) + (n * bits + 31) / 32 * 4 * n;
    const qsizetype maskRow = (n + 31) / 32 * 4;
    const auto transparent = [&](int x, int y) {
        return (field(ico, mask + (n - 1 - y) * maskRow + x / 8, 1) >> (7 - x % 8)) & 1;
    };
    ASSERT_LE(mask + maskRow * n, ico.size());
    EXPECT_EQ(transparent(n - 1, n - 1), 1u) << "the corner shows";
    EXPECT_EQ(transparent(n / 3, n / 2), 0u) << "the middle is cut away";
}

INSTANTIATE_TEST_SUITE_P(Images, Icon,
                         testing::Values(IconImage{1, 16, 4}, IconImage{2, 16, 8},
                                         IconImage{3, 32, 4}, IconImage{4, 32, 8}),
                         [](const auto& info) {
                             return std::to_string(info.param.size) + "x" +
                                    std::to_string(info.param.size) + "x" +
                                    std::to_string(info.param.bits);
                         });

struct HeaderField {
    const char* name;
    int at;
    int width;
    quint32 value;
};

class AboutPicture : public testing::TestWithParam<HeaderField> {};

// An uncompressed 24-bit bitmap, 176 x 71 pixels at 96 dots per inch (3780 per metre).
TEST_P(AboutPicture, HeaderField) {
    const QByteArray bmp = contents(artwork.filePath("about.bmp"));
    ASSERT_EQ(bmp.left(2), "BM");
    EXPECT_EQ(field(bmp, GetParam().at, GetParam().width), GetParam().value);
}

INSTANTIATE_TEST_SUITE_P(Fields, AboutPicture,
                         testing::Values(HeaderField{"FileSize", 2, 4, 54 + 176 * 3 * 71},
                                         HeaderField{"PixelsAfterTheHeaders", 10, 4, 54},
                                         HeaderField{"InfoHeaderSize", 14, 4, 40},
                                         HeaderField{"Width", 18, 4, 176},
                                         HeaderField{"Height", 22, 4, 71},
                                         HeaderField{"BitsPerPixel", 28, 2, 24},
                                         HeaderField{"CompressionIsBiRgb", 30, 4, 0},
                                         HeaderField{"HorizontalResolution", 38, 4, 3780},
                                         HeaderField{"VerticalResolution", 42, 4, 3780}),
                         [](const auto& info) { return std::string(info.param.name); });

class DesktopIcon : public testing::TestWithParam<int> {};

TEST_P(DesktopIcon, HasItsSizeAndATransparentCorner) {
    const int n = GetParam();
    const QImage icon(artwork.filePath(QString("hicolor/%1x%1/apps/quorvel.png").arg(n)));
    ASSERT_EQ(icon.size(), QSize(n, n));
    EXPECT_EQ(qAlpha(icon.pixel(n - 1, n - 1)), 0);
    EXPECT_EQ(qAlpha(icon.pixel(n / 3, n / 2)), 255);
}

INSTANTIATE_TEST_SUITE_P(Sizes, DesktopIcon, testing::Values(16, 32, 48, 256));

TEST(DesktopIcon, ScalableIconIsAnSvgDocument) {
    QFile svg(artwork.filePath("hicolor/scalable/apps/quorvel.svg"));
    ASSERT_TRUE(svg.open(QIODevice::ReadOnly));
    QXmlStreamReader xml(&svg);
    ASSERT_TRUE(xml.readNextStartElement());
    EXPECT_EQ(xml.name(), u"svg");
    EXPECT_EQ(xml.namespaceUri(), u"http://www.w3.org/2000/svg");
    while (!xml.atEnd())
        xml.readNext();
    EXPECT_FALSE(xml.hasError()) << xml.errorString().toStdString();
}

} // namespace
