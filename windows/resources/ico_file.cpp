#include "windows/resources/ico_file.h"

#include "windows/resources/little_endian.h"

#include <stdexcept>

namespace {

// Bitmap rows are padded to whole 32-bit words.
int rowBytes(int width, int bitsPerPixel) {
    return (width * bitsPerPixel + 31) / 32 * 4;
}

QByteArray bitmapOf(const IndexedImage& image) {
    const int n = image.size;
    const int colourRow = rowBytes(n, image.bitsPerPixel);
    const int maskRow = rowBytes(n, 1);
    QByteArray out;
    appendLittle32(out, 40); // BITMAPINFOHEADER
    appendLittle32(out, quint32(n));
    appendLittle32(out, quint32(2 * n)); // the colour bitmap and the mask, one above the other
    appendLittle16(out, 1);
    appendLittle16(out, quint16(image.bitsPerPixel));
    appendLittle32(out, 0); // BI_RGB
    appendLittle32(out, quint32((colourRow + maskRow) * n));
    appendLittle32(out, 0);
    appendLittle32(out, 0);
    appendLittle32(out, 0);
    appendLittle32(out, 0);
    for (QRgb colour : image.palette) {
        out.append(char(qBlue(colour)));
        out.append(char(qGreen(colour)));
        out.append(char(qRed(colour)));
        out.append('\0');
    }
    // Both bitmaps run from the bottom row up.
    const int perByte = 8 / image.bitsPerPixel;
    for (int y = n - 1; y >= 0; --y) {
        QByteArray row(colourRow, '\0');
        for (int x = 0; x < n; ++x) {
            const int shift = 8 - image.bitsPerPixel * (x % perByte + 1);
            row[x / perByte] =
                char(row[x / perByte] | (image.indices[std::size_t(y) * n + x] << shift));
        }
        out.append(row);
    }
    for (int y = n - 1; y >= 0; --y) {
        QByteArray row(maskRow, '\0');
        for (int x = 0; x < n; ++x) {
            if (image.transparent[std::size_t(y) * n + x])
                row[x / 8] = char(row[x / 8] | (0x80 >> (x % 8)));
        }
        out.append(row);
    }
    return out;
}

} // namespace

QByteArray icoFile(const std::vector<IndexedImage>& images) {
    QByteArray directory;
    appendLittle16(directory, 0);
    appendLittle16(directory, 1); // an icon, not a cursor
    appendLittle16(directory, quint16(images.size()));
    QByteArray bitmaps;
    const int firstOffset = 6 + 16 * int(images.size());
    for (const IndexedImage& image : images) {
        if (image.size < 1 || image.size > 255 ||
            image.palette.size() != std::size_t(1) << image.bitsPerPixel)
            throw std::invalid_argument("an icon image the file cannot describe");
        const QByteArray bitmap = bitmapOf(image);
        directory.append(char(image.size));
        directory.append(char(image.size));
        // The colour count byte holds 0 when there are 256 colours or more.
        directory.append(char(image.bitsPerPixel < 8 ? 1 << image.bitsPerPixel : 0));
        directory.append('\0');
        appendLittle16(directory, 1);
        appendLittle16(directory, quint16(image.bitsPerPixel));
        appendLittle32(directory, quint32(bitmap.size()));
        appendLittle32(directory, quint32(firstOffset + bitmaps.size()));
        bitmaps.append(bitmap);
    }
    return directory + bitmaps;
}
