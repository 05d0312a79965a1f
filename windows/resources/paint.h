#pragma once

#include <QPointF>
#include <QRgb>
#include <QTransform>

// What fills a shape: one colour, or a two-colour linear gradient between two points, the only
// kind the artwork uses. Colours are opaque unless their alpha says otherwise.
struct Paint {
    QRgb from;
    QRgb to;
    QPointF start;
    QPointF end;

    static Paint solid(QRgb colour) { return {colour, colour, {}, {}}; }
    static Paint linear(QRgb from, QPointF start, QRgb to, QPointF end) {
        return {from, to, start, end};
    }

    bool isSolid() const { return from == to; }
    Paint mapped(const QTransform& transform) const {
        return {from, to, transform.map(start), transform.map(end)};
    }
};
