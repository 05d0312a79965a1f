#pragma once

#include "windows/resources/paint.h"

#include <QImage>
#include <QPainterPath>

#include <vector>

// A picture that shapes are filled into with anti-aliased edges.
//
// The artwork is committed and must come out of its generator bit for bit the same on every
// machine, so the canvas computes coverage and blending itself in plain double arithmetic instead
// of relying on a raster engine whose results may vary with the processor it runs on.
class Canvas {
public:
    Canvas(int width, int height, QRgb background);

    // Fills the path, given in pixel coordinates, honouring its fill rule.
    void fill(const QPainterPath& path, const Paint& paint);

    // Non-premultiplied ARGB, each channel rounded to the nearest of 256 levels.
    QImage image() const;

private:
    struct Pixel {
        double red;
        double green;
        double blue;
        double alpha;
    };

    std::vector<double> coverage(const QPainterPath& path) const;

    int width;
    int height;
    std::vector<Pixel> pixels; // premultiplied
};
