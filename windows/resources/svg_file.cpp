#include "windows/resources/svg_file.h"

#include "windows/resources/keypad_motif.h"

#include <QString>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <stdexcept>
#include <utility>
#include <vector>

namespace {

QString number(double value) {
    QString text = QString::number(value, 'f', 2);
    while (text.endsWith('0'))
        text.chop(1);
    if (text.endsWith('.'))
        text.chop(1);
    return text == "-0" ? "0" : text;
}

QString colour(QRgb rgb) {
    return QString::asprintf("#%06x", rgb & 0xffffff);
}

QString opacity(const char* attribute, QRgb rgb) {
    return qAlpha(rgb) == 255 ? QString()
                              : QString(" %1=\"%2\"").arg(attribute, number(qAlpha(rgb) / 255.0));
}

// Every gradient of the motif runs from the top of its box to the bottom, which SVG says with a
// gradient over the bounding box; shapes with the same two colours share one.
class Gradients {
public:
    QString fill(const MotifShape& shape) {
        const Paint& paint = shape.paint;
        if (paint.isSolid())
            return QString("fill=\"%1\"%2")
                .arg(colour(paint.from), opacity("fill-opacity", paint.from));
        if (paint.start != shape.box.topLeft() || paint.end != shape.box.bottomLeft())
            throw std::logic_error("the scalable icon only knows top-to-bottom gradients");
        const std::pair key(paint.from, paint.to);
        auto found = std::find(used.begin(), used.end(), key);
        if (found == used.end())
            found = used.insert(used.end(), key);
        return QString("fill=\"url(#shade%1)\"").arg(found - used.begin() + 1);
    }

    QString definitions() const {
        QString text;
        for (std::size_t i = 0; i < used.size(); ++i) {
            text +=
                QString("    <linearGradient id=\"shade%1\" x1=\"0\" y1=\"0\" x2=\"0\" y2=\"1\">\n"
                        "      <stop offset=\"0\" stop-color=\"%2\"%3/>\n"
                        "      <stop offset=\"1\" stop-color=\"%4\"%5/>\n"
                        "    </linearGradient>\n")
                    .arg(i + 1)
                    .arg(colour(used[i].first), opacity("stop-opacity", used[i].first),
                         colour(used[i].second), opacity("stop-opacity", used[i].second));
        }
        return text;
    }

private:
    std::vector<std::pair<QRgb, QRgb>> used;
};

QString boxElement(const MotifShape& shape, Gradients& gradients) {
    const QRectF& box = shape.box;
    return QString("  <rect x=\"%1\" y=\"%2\" width=\"%3\" height=\"%4\" rx=\"%5\" %6/>\n")
        .arg(number(box.x()), number(box.y()), number(box.width()), number(box.height()),
             number(shape.radius), gradients.fill(shape));
}

QString waveElement(const MotifShape& shape) {
    const double half = shape.sweepDegrees / 2 * std::numbers::pi / 180;
    const double x = shape.centre.x() + shape.radius * std::cos(half);
    const double dy = shape.radius * std::sin(half);
    // From the upper end clockwise, through the right, to the lower end.
    return QString("  <path d=\"M %1 %2 A %3 %3 0 0 1 %1 %4\" fill=\"none\" stroke=\"%5\"%6 "
                   "stroke-width=\"%7\" stroke-linecap=\"round\"/>\n")
        .arg(number(x), number(shape.centre.y() - dy), number(shape.radius),
             number(shape.centre.y() + dy), colour(shape.paint.from),
             opacity("stroke-opacity", shape.paint.from), number(shape.strokeWidth));
}

} // namespace

QByteArray motifSvg() {
    Gradients gradients;
    QString shapes;
    for (const MotifShape& shape : keypadMotif()) {
        if (shape.kind == MotifShape::Kind::Box)
            shapes += boxElement(shape, gradients);
        else if (shape.paint.isSolid())
            shapes += waveElement(shape);
        else
            throw std::logic_error("the scalable icon only knows waves of one colour");
    }
    const QString size = number(motifSize);
    const QString svg =
        QString("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"%1\" height=\"%1\" "
                "viewBox=\"0 0 %1 %1\">\n"
                "  <title>Quorvel</title>\n"
                "  <defs>\n%2  </defs>\n%3</svg>\n")
            .arg(size, gradients.definitions(), shapes);
    return svg.toUtf8();
}
