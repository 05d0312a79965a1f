#include "windows/resources/bmp_file.h"

#include "windows/resources/little_endian.h"

namespace {

// 96 dots per inch, in the unit the header counts in.
constexpr quint32 pixelsPerMetre = 3780;
constexpr int headersSize = 14 + 40;

} // namespace

QByteArray bmpFile(const QImage& image) {
    const int rowBytes = (image.width() * 3 + 3) / 4 * 4;
    const auto pixelBytes = quint32(rowBytes * image.height());
    QByteArray out;
    out.append("BM");
    appendLittle32(out, headersSize + pixelBytes);
    appendLittle32(out, 0);
    appendLittle32(out, headersSize);
    appendLittle32(out, 40); // BITMAPINFOHEADER
    appendLittle32(out, quint32(image.width()));
    appendLittle32(out, quint32(image.height())); // positive: rows run from the bottom up
    appendLittle16(out, 1);
    appendLittle16(out, 24);
    appendLittle32(out, 0); // BI_RGB
    appendLittle32(out, pixelBytes);
    appendLittle32(out, pixelsPerMetre);
    appendLittle32(out, pixelsPerMetre);
    appendLittle32(out, 0);
    appendLittle32(out, 0);
    for (int y = image.height() - 1; y >= 0; --y) {
        QByteArray row(rowBytes, '\0');
        for (int x = 0; x < image.width(); ++x) {
            const QRgb pixel = image.pixel(x, y);
            row[3 * x] = char(qBlue(pixel));
            row[3 * x + 1] = char(qGreen(pixel));
            row[3 * x + 2] = char(qRed(pixel));
        }
        out.append(row);
    }
    return out;
}
