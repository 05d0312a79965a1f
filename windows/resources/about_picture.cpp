#include "windows/resources/about_picture.h"

#include "windows/resources/artwork_colours.h"
#include "windows/resources/canvas.h"
#include "windows/resources/keypad_motif.h"

#include <QPainterPathStroker>
#include <QRawFont>

#include <cmath>
#include <numbers>
#include <stdexcept>
#include <string>

namespace {

constexpr int width = 176;
constexpr int height = 71;

// Loaded from its file rather than looked up by family name, so that no font configuration can
// put another face, or another rendering of it, into the committed picture.
constexpr const char* wordmarkFont = "/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf";

// Outlines of the text with its baseline starting at the origin; hinting would tie the shapes to
// the renderer, so there is none.
QPainterPath textPath(const QString& text, double pixelSize) {
    const QRawFont font(QString::fromLatin1(wordmarkFont), pixelSize, QFont::PreferNoHinting);
    if (!font.isValid())
        throw std::runtime_error(std::string("cannot load the font ") + wordmarkFont +
                                 " (Debian package fonts-dejavu-core)");
    const QList<quint32> glyphs = font.glyphIndexesForString(text);
    const QList<QPointF> advances =
        font.advancesForGlyphIndexes(glyphs, QRawFont::SeparateAdvances | QRawFont::KernedAdvances);
    QPainterPath path;
    path.setFillRule(Qt::WindingFill);
    QPointF pen(0, 0);
    for (qsizetype i = 0; i < glyphs.size(); ++i) {
        path.addPath(font.pathForGlyph(glyphs[i]).translated(pen));
        pen += advances[i];
    }
    return path;
}

// The tone of the "1" key, 697 Hz and 1209 Hz together, over a few milliseconds.
QPainterPath toneTrace(const QRectF& area) {
    constexpr double milliseconds = 6;
    QPainterPath trace;
    const int steps = int(area.width() * 4);
    for (int i = 0; i <= steps; ++i) {
        const double t = milliseconds / 1000 * i / steps;
        const double level =
            (std::sin(2 * std::numbers::pi * 697 * t) + std::sin(2 * std::numbers::pi * 1209 * t)) /
            2;
        const QPointF point(area.left() + area.width() * i / steps,
                            area.center().y() - level * area.height() / 2);
        if (i == 0)
            trace.moveTo(point);
        else
            trace.lineTo(point);
    }
    QPainterPathStroker stroker;
    stroker.setWidth(1.25);
    stroker.setCapStyle(Qt::RoundCap);
    stroker.setJoinStyle(Qt::RoundJoin);
    return stroker.createStroke(trace);
}

} // namespace

QImage aboutPicture() {
    Canvas canvas(width, height, colours::paper);
    QPainterPath background;
    background.addRect(0, 0, width, height);
    canvas.fill(background,
                Paint::linear(colours::paper, {0, 0}, colours::paperShade, {0, height}));

    const double motifScale = 1.25;
    const double motifTop = (height - motifSize * motifScale) / 2;
    drawMotif(canvas, QTransform::fromTranslate(4, motifTop).scale(motifScale, motifScale));

    const double textLeft = 70;
    const double textRight = width - 6;
    const QPainterPath name = textPath("Quorvel", 23);
    if (textLeft + name.boundingRect().right() > textRight)
        throw std::logic_error("the product name does not fit the About picture");
    canvas.fill(name.translated(textLeft, 38), Paint::solid(colours::rim));

    canvas.fill(toneTrace(QRectF(textLeft + 1, 46, textRight - textLeft - 2, 16)),
                Paint::solid(colours::displayDark));
    return canvas.image();
}
