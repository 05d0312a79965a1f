#include "windows/resources/canvas.h"

#include <algorithm>
#include <cmath>

namespace {

// Sixteen sample rows per pixel; across a row coverage is exact, so edges get 17 or more levels.
constexpr int subRows = 16;

struct Edge {
    QPointF top;
    QPointF bottom;
    int winding;
};

struct Crossing {
    double x;
    int winding;
};

std::vector<Edge> edgesOf(const QPainterPath& path) {
    // Qt flattens curves to within about half a unit; flattening a magnified copy keeps the
    // facets of small rounded corners well below what a pixel can show.
    constexpr double magnification = 64;
    std::vector<Edge> edges;
    const QTransform magnify = QTransform::fromScale(magnification, magnification);
    for (const QPolygonF& polygon : path.toSubpathPolygons(magnify)) {
        for (qsizetype i = 0; i < polygon.size(); ++i) {
            // Every subpath is filled as if closed, as a painter would fill it.
            const QPointF a = polygon[i] / magnification;
            const QPointF b = polygon[(i + 1) % polygon.size()] / magnification;
            if (a.y() < b.y())
                edges.push_back({a, b, 1});
            else if (a.y() > b.y())
                edges.push_back({b, a, -1});
        }
    }
    return edges;
}

double channel(QRgb colour, int shift) {
    return ((colour >> shift) & 0xff) / 255.0;
}

double mix(double a, double b, double t) {
    return a + (b - a) * t;
}

} // namespace

Canvas::Canvas(int width, int height, QRgb background)
    : width(width), height(height),
      pixels(static_cast<std::size_t>(width) * height,
             Pixel{channel(background, 16) * channel(background, 24),
                   channel(background, 8) * channel(background, 24),
                   channel(background, 0) * channel(background, 24), channel(background, 24)}) {}

std::vector<double> Canvas::coverage(const QPainterPath& path) const {
    std::vector<double> covered(pixels.size(), 0.0);
    const std::vector<Edge> edges = edgesOf(path);
    const bool evenOdd = path.fillRule() == Qt::OddEvenFill;
    std::vector<Crossing> crossings;
    for (int row = 0; row < height; ++row) {
        double* line = covered.data() + static_cast<std::size_t>(row) * width;
        for (int sub = 0; sub < subRows; ++sub) {
            const double y = row + (sub + 0.5) / subRows;
            crossings.clear();
            for (const Edge& edge : edges) {
                if (y < edge.top.y() || y >= edge.bottom.y())
                    continue;
                const double t = (y - edge.top.y()) / (edge.bottom.y() - edge.top.y());
                crossings.push_back({mix(edge.top.x(), edge.bottom.x(), t), edge.winding});
            }
            std::sort(crossings.begin(), crossings.end(),
                      [](const Crossing& a, const Crossing& b) { return a.x < b.x; });
            int winding = 0;
            for (std::size_t i = 0; i + 1 < crossings.size(); ++i) {
                winding += crossings[i].winding;
                const bool inside = evenOdd ? (winding % 2 != 0) : (winding != 0);
                if (!inside)
                    continue;
                const double left = std::clamp(crossings[i].x, 0.0, double(width));
                const double right = std::clamp(crossings[i + 1].x, 0.0, double(width));
                for (int x = int(std::floor(left)); x < width && x < right; ++x) {
                    const double overlap = std::min(right, x + 1.0) - std::max(left, double(x));
                    if (overlap > 0)
                        line[x] += overlap / subRows;
                }
            }
        }
    }
    return covered;
}

void Canvas::fill(const QPainterPath& path, const Paint& paint) {
    const std::vector<double> covered = coverage(path);
    const QPointF axis = paint.end - paint.start;
    const double axisLength2 = QPointF::dotProduct(axis, axis);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const std::size_t i = static_cast<std::size_t>(y) * width + x;
            const double cover = std::min(covered[i], 1.0);
            if (cover <= 0)
                continue;
            double t = 0;
            if (!paint.isSolid() && axisLength2 > 0) {
                const QPointF offset = QPointF(x + 0.5, y + 0.5) - paint.start;
                t = std::clamp(QPointF::dotProduct(offset, axis) / axisLength2, 0.0, 1.0);
            }
            const double alpha = mix(channel(paint.from, 24), channel(paint.to, 24), t) * cover;
            Pixel& p = pixels[i];
            p.red = mix(channel(paint.from, 16), channel(paint.to, 16), t) * alpha +
                    p.red * (1 - alpha);
            p.green = mix(channel(paint.from, 8), channel(paint.to, 8), t) * alpha +
                      p.green * (1 - alpha);
            p.blue =
                mix(channel(paint.from, 0), channel(paint.to, 0), t) * alpha + p.blue * (1 - alpha);
            p.alpha = alpha + p.alpha * (1 - alpha);
        }
    }
}

QImage Canvas::image() const {
    QImage picture(width, height, QImage::Format_ARGB32);
    for (int y = 0; y < height; ++y) {
        auto* line = reinterpret_cast<QRgb*>(picture.scanLine(y));
        for (int x = 0; x < width; ++x) {
            const Pixel& p = pixels[static_cast<std::size_t>(y) * width + x];
            const auto level = [](double v) {
                return int(std::lround(std::clamp(v, 0.0, 1.0) * 255));
            };
            if (p.alpha <= 0) {
                line[x] = qRgba(0, 0, 0, 0);
                continue;
            }
            line[x] = qRgba(level(p.red / p.alpha), level(p.green / p.alpha),
                            level(p.blue / p.alpha), level(p.alpha));
        }
    }
    return picture;
}
