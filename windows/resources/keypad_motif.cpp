#include "windows/resources/keypad_motif.h"

#include "windows/resources/artwork_colours.h"
#include "windows/resources/canvas.h"

#include <QPainterPathStroker>

#include <cmath>

namespace {

MotifShape box(QRectF rect, double radius, Paint paint) {
    return {MotifShape::Kind::Box, rect, radius, {}, 0, 0, paint};
}

MotifShape wave(double radius) {
    // The waves leave the handset at the height of its display, where a listener would expect
    // the sound to come from.
    const QPointF centre(32, 15);
    return {MotifShape::Kind::Wave, {}, radius, centre, 90, 2.5, Paint::solid(colours::accent)};
}

Paint vertical(QRgb top, QRgb bottom, const QRectF& rect) {
    return Paint::linear(top, rect.topLeft(), bottom, rect.bottomLeft());
}

} // namespace

std::vector<MotifShape> keypadMotif() {
    std::vector<MotifShape> shapes;
    // A stub antenna and an earpiece make the body a telephone rather than a calculator.
    const QRectF antennaBox(5, 0, 4, 10);
    shapes.push_back(box(antennaBox, 1.5, Paint::solid(colours::rim)));

    const QRectF rimBox(2, 5, 30, 42);
    const QRectF bodyBox = rimBox.adjusted(1, 1, -1, -1);
    shapes.push_back(box(rimBox, 6, Paint::solid(colours::rim)));
    shapes.push_back(box(bodyBox, 5, vertical(colours::bodyLight, colours::bodyDark, bodyBox)));
    shapes.push_back(box(QRectF(13, 8, 8, 1.5), 0.75, Paint::solid(colours::rim)));

    const QRectF displayBox(6, 11, 22, 5);
    shapes.push_back(box(displayBox.translated(0, 1), 1.5, Paint::solid(colours::rim)));
    shapes.push_back(
        box(displayBox, 1.5, vertical(colours::display, colours::displayDark, displayBox)));

    for (int row = 0; row < 4; ++row) {
        for (int column = 0; column < 3; ++column) {
            const QRectF keyBox(6 + 8 * column, 20 + 6 * row, 6, 4);
            // The middle key is lit, as if just pressed, to tie the keys to the waves.
            const bool lit = row == 1 && column == 1;
            shapes.push_back(box(keyBox.translated(0, 1), 1.5, Paint::solid(colours::rim)));
            shapes.push_back(box(keyBox, 1.5,
                                 lit ? vertical(colours::accentLight, colours::accent, keyBox)
                                     : vertical(colours::white, colours::keyShade, keyBox)));
        }
    }

    for (double radius : {5.0, 9.5, 14.0})
        shapes.push_back(wave(radius));
    return shapes;
}

QPainterPath outlineOf(const MotifShape& shape, const QTransform& transform) {
    QPainterPath path;
    if (shape.kind == MotifShape::Kind::Box) {
        path.addRoundedRect(shape.box, shape.radius, shape.radius);
        return transform.map(path);
    }
    const QRectF circle(shape.centre - QPointF(shape.radius, shape.radius),
                        QSizeF(2 * shape.radius, 2 * shape.radius));
    path.arcMoveTo(circle, shape.sweepDegrees / 2);
    path.arcTo(circle, shape.sweepDegrees / 2, -shape.sweepDegrees);
    // Stroked after scaling, so that the round ends stay round at every size.
    QPainterPathStroker stroker;
    stroker.setWidth(shape.strokeWidth * std::sqrt(std::abs(transform.determinant())));
    stroker.setCapStyle(Qt::RoundCap);
    return stroker.createStroke(transform.map(path));
}

void drawMotif(Canvas& canvas, const QTransform& toPixels) {
    for (const MotifShape& shape : keypadMotif())
        canvas.fill(outlineOf(shape, toPixels), shape.paint.mapped(toPixels));
}
