#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QImage>
#include <QImageReader>
#include <QProcess>
#include <QSet>
#include <QTemporaryDir>
#include <QXmlStreamReader>
#include <QtEndian>

#include <gtest/gtest.h>

namespace {

const QDir committed(QStringLiteral(QUORVEL_ARTWORK_DIR));

const QStringList artworkFiles{
    "quorvel.ico",
    "about.bmp",
    "hicolor/16x16/apps/quorvel.png",
    "hicolor/32x32/apps/quorvel.png",
    "hicolor/48x48/apps/quorvel.png",
    "hicolor/256x256/apps/quorvel.png",
    "hicolor/scalable/apps/quorvel.svg",
};

QByteArray contents(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

quint32 read32(const QByteArray& bytes, qsizetype at) {
    return at + 4 <= bytes.size() ? qFromLittleEndian<quint32>(bytes.constData() + at) : 0xdeadbeef;
}

quint16 read16(const QByteArray& bytes, qsizetype at) {
    return at + 2 <= bytes.size() ? qFromLittleEndian<quint16>(bytes.constData() + at) : 0xdead;
}

quint8 read8(const QByteArray& bytes, qsizetype at) {
    return at < bytes.size() ? quint8(bytes[at]) : 0xde;
}

QStringList filesUnder(const QDir& root) {
    QStringList files;
    QDirIterator it(root.path(), QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext())
        files << root.relativeFilePath(it.next());
    files.sort();
    return files;
}

int distinctColours(const QImage& image) {
    QSet<QRgb> seen;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            seen.insert(image.pixel(x, y));
    return int(seen.size());
}

TEST(Artwork, GeneratorRedrawsExactlyTheCommittedFiles) {
    QTemporaryDir out;
    ASSERT_TRUE(out.isValid());
    QProcess generator;
    generator.start(QStringLiteral(QUORVEL_MAKE_ARTWORK), {out.path()});
    ASSERT_TRUE(generator.waitForFinished(60000));
    ASSERT_EQ(generator.exitStatus(), QProcess::NormalExit);
    ASSERT_EQ(generator.exitCode(), 0) << generator.readAllStandardError().toStdString();

    QStringList expected = artworkFiles;
    expected.sort();
    EXPECT_EQ(filesUnder(QDir(out.path())), expected);

    for (const QString& name : artworkFiles) {
        const QByteArray fresh = contents(QDir(out.path()).filePath(name));
        const QByteArray kept = contents(committed.filePath(name));
        ASSERT_FALSE(kept.isEmpty()) << name.toStdString() << " is not committed";
        if (name.endsWith(".png")) {
            // The compressed stream is the PNG library's business; the pixels are ours.
            const QImage freshImage =
                QImage::fromData(fresh).convertToFormat(QImage::Format_ARGB32);
            const QImage keptImage = QImage::fromData(kept).convertToFormat(QImage::Format_ARGB32);
            EXPECT_FALSE(freshImage.isNull()) << name.toStdString();
            EXPECT_EQ(freshImage, keptImage) << name.toStdString() << " differs from its source";
        } else {
            EXPECT_EQ(fresh, kept) << name.toStdString() << " differs from its source";
        }
    }
}

TEST(Artwork, IconHoldsFourClassicImagesInOrderAndQtReadsThemAll) {
    const QByteArray ico = contents(committed.filePath("quorvel.ico"));
    ASSERT_GE(ico.size(), 6 + 4 * 16);
    EXPECT_EQ(read16(ico, 0), 0);
    EXPECT_EQ(read16(ico, 2), 1);
    ASSERT_EQ(read16(ico, 4), 4);

    struct Expected {
        int size;
        int bits;
    };
    const Expected images[] = {{16, 4}, {16, 8}, {32, 4}, {32, 8}};
    quint32 nextOffset = 6 + 4 * 16;
    for (int i = 0; i < 4; ++i) {
        SCOPED_TRACE("image " + std::to_string(i));
        const qsizetype entry = 6 + 16 * i;
        const int n = images[i].size;
        const int bits = images[i].bits;
        EXPECT_EQ(read8(ico, entry), n);
        EXPECT_EQ(read8(ico, entry + 1), n);
        EXPECT_EQ(read8(ico, entry + 2), bits == 4 ? 16 : 0);
        EXPECT_EQ(read16(ico, entry + 4), 1);
        EXPECT_EQ(read16(ico, entry + 6), bits);

        // Header, full palette, colour rows and mask rows, each row padded to 32 bits.
        const quint32 colourRow = (n * bits + 31) / 32 * 4;
        const quint32 maskRow = (n + 31) / 32 * 4;
        const quint32 expectedBytes = 40 + 4 * (1u << bits) + (colourRow + maskRow) * n;
        const quint32 bytes = read32(ico, entry + 8);
        const quint32 offset = read32(ico, entry + 12);
        EXPECT_EQ(bytes, expectedBytes);
        EXPECT_EQ(offset, nextOffset);
        nextOffset = offset + bytes;

        EXPECT_EQ(read32(ico, offset), 40u);
        EXPECT_EQ(read32(ico, offset + 4), quint32(n));
        EXPECT_EQ(read32(ico, offset + 8), quint32(2 * n));
        EXPECT_EQ(read16(ico, offset + 12), 1);
        EXPECT_EQ(read16(ico, offset + 14), bits);
        EXPECT_EQ(read32(ico, offset + 16), 0u);
    }
    EXPECT_EQ(nextOffset, quint32(ico.size()));

    QImageReader reader(committed.filePath("quorvel.ico"));
    ASSERT_TRUE(reader.canRead()) << reader.errorString().toStdString();
    ASSERT_EQ(reader.imageCount(), 4);
    for (int i = 0; i < 4; ++i) {
        SCOPED_TRACE("image " + std::to_string(i));
        ASSERT_TRUE(reader.jumpToImage(i));
        const QImage image = reader.read();
        ASSERT_FALSE(image.isNull()) << reader.errorString().toStdString();
        const int n = images[i].size;
        EXPECT_EQ(image.size(), QSize(n, n));
        // The mask must cut the corner away and keep the middle, not the other way round.
        EXPECT_EQ(qAlpha(image.pixel(n - 1, n - 1)), 0);
        EXPECT_EQ(qAlpha(image.pixel(n / 3, n / 2)), 255);
        EXPECT_LE(distinctColours(image), (1 << images[i].bits) + 1);
        EXPECT_GE(distinctColours(image), 6);
    }
}

TEST(Artwork, AboutPictureIsAnUncompressed24BitBitmapAt96Dpi) {
    const QByteArray bmp = contents(committed.filePath("about.bmp"));
    const quint32 rowBytes = 176 * 3; // already a multiple of four
    ASSERT_EQ(bmp.size(), qsizetype(54 + rowBytes * 71));
    EXPECT_EQ(bmp.left(2), "BM");
    EXPECT_EQ(read32(bmp, 2), quint32(bmp.size()));
    EXPECT_EQ(read32(bmp, 10), 54u);
    EXPECT_EQ(read32(bmp, 14), 40u);
    EXPECT_EQ(read32(bmp, 18), 176u);
    EXPECT_EQ(read32(bmp, 22), 71u);
    EXPECT_EQ(read16(bmp, 26), 1);
    EXPECT_EQ(read16(bmp, 28), 24);
    EXPECT_EQ(read32(bmp, 30), 0u);
    EXPECT_EQ(read32(bmp, 38), 3780u);
    EXPECT_EQ(read32(bmp, 42), 3780u);

    const QImage picture = QImage::fromData(bmp, "BMP");
    ASSERT_EQ(picture.size(), QSize(176, 71));
    EXPECT_FALSE(picture.hasAlphaChannel());
    // A real drawing, with a background gradient, shapes and smoothed edges, not a flat fill.
    EXPECT_GE(distinctColours(picture), 50);
}

TEST(Artwork, DesktopIconsHaveTheirStatedSizes) {
    for (int n : {16, 32, 48, 256}) {
        SCOPED_TRACE(std::to_string(n));
        const QImage icon(committed.filePath(QString("hicolor/%1x%1/apps/quorvel.png").arg(n)));
        ASSERT_EQ(icon.size(), QSize(n, n));
        ASSERT_TRUE(icon.hasAlphaChannel());
        EXPECT_EQ(qAlpha(icon.pixel(n - 1, n - 1)), 0);
        EXPECT_EQ(qAlpha(icon.pixel(n / 3, n / 2)), 255);
    }

    QFile svg(committed.filePath("hicolor/scalable/apps/quorvel.svg"));
    ASSERT_TRUE(svg.open(QIODevice::ReadOnly));
    QXmlStreamReader xml(&svg);
    ASSERT_TRUE(xml.readNextStartElement());
    EXPECT_EQ(xml.name(), u"svg");
    EXPECT_EQ(xml.namespaceUri(), u"http://www.w3.org/2000/svg");
    EXPECT_EQ(xml.attributes().value("viewBox"), u"0 0 48 48");
    int shapes = 0;
    while (!xml.atEnd()) {
        if (xml.readNext() == QXmlStreamReader::StartElement &&
            (xml.name() == u"rect" || xml.name() == u"path"))
            ++shapes;
    }
    EXPECT_FALSE(xml.hasError()) << xml.errorString().toStdString();
    // Body, display and twelve keys at the least.
    EXPECT_GE(shapes, 14);
}

} // namespace
