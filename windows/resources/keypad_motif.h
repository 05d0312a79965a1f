#pragma once

#include "windows/resources/paint.h"

#include <QPainterPath>
#include <QRectF>

#include <vector>

class Canvas;

// The program's picture: a keypad handset with twelve keys and a display, sending tone waves out
// of its side. It is described once, in a square of motifSize units, and drawn from that one
// description at every size and into the scalable icon.
inline constexpr double motifSize = 48;

struct MotifShape {
    enum class Kind { Box, Wave };
    Kind kind;
    QRectF box;          // Box: the rectangle
    double radius;       // Box: corner radius; Wave: arc radius
    QPointF centre;      // Wave: centre of the arc, which opens symmetrically to the right
    double sweepDegrees; // Wave: angle spanned by the arc
    double strokeWidth;  // Wave: width of its line, with round ends
    Paint paint;
};

std::vector<MotifShape> keypadMotif();

// The outline to fill, in the units the transform leads to.
QPainterPath outlineOf(const MotifShape& shape, const QTransform& transform);

// Draws the motif through the transform that takes motif units to pixels.
void drawMotif(Canvas& canvas, const QTransform& toPixels);
