#include "media/ShotScoring.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

// Luma of an RGB32 image as 8-bit values, row by row.
std::vector<quint8> lumaOf(const QImage &rgb)
{
    std::vector<quint8> luma(size_t(rgb.width()) * size_t(rgb.height()));
    for (int y = 0; y < rgb.height(); ++y) {
        const auto *line = reinterpret_cast<const QRgb *>(rgb.constScanLine(y));
        quint8 *out = luma.data() + size_t(y) * size_t(rgb.width());
        for (int x = 0; x < rgb.width(); ++x) {
            const QRgb p = line[x];
            out[x] = quint8((299 * qRed(p) + 587 * qGreen(p) + 114 * qBlue(p) + 500) / 1000);
        }
    }
    return luma;
}

// See ShotScore::acuity. Measured at twice the width of the other figures:
// at 160 px a 1080p defocus of sigma 10 is under a pixel wide.
float acuityOf(const QImage &thumb, float lumaSpread)
{
    const int width = std::min(2 * ShotScoring::measureWidth, thumb.width());
    const int height = std::max(3, int(std::lround(double(thumb.height()) * width / thumb.width())));
    const std::vector<quint8> luma = lumaOf(
        thumb.scaled(width, height, Qt::IgnoreAspectRatio, Qt::SmoothTransformation).convertToFormat(QImage::Format_RGB32));
    // An edge is a step of at least an eighth of the picture's spread (and of
    // 2 levels, above encoder noise), so that faint and strong pictures are
    // judged alike.
    const int floor = std::max(4, int(std::lround(lumaSpread / 4)));  // doubled: differences are taken over 2 pixels
    long secondX = 0, firstX = 0, secondY = 0, firstY = 0, edgesX = 0, edgesY = 0;
    for (int y = 1; y < height - 1; ++y) {
        const quint8 *row = luma.data() + size_t(y) * size_t(width);
        for (int x = 1; x < width - 1; ++x) {
            const int dx = std::abs(int(row[x + 1]) - int(row[x - 1]));
            const int dy = std::abs(int(row[x + width]) - int(row[x - width]));
            if (dx >= floor) {
                secondX += std::abs(int(row[x - 1]) + int(row[x + 1]) - 2 * int(row[x]));
                firstX += dx;
                ++edgesX;
            }
            if (dy >= floor) {
                secondY += std::abs(int(row[x - width]) + int(row[x + width]) - 2 * int(row[x]));
                firstY += dy;
                ++edgesY;
            }
        }
    }
    // A direction with edges on under 1 % of the picture says nothing (a
    // picture of vertical bars has no vertical steps at all).
    const long enough = long(width) * height / 100;
    const double x = edgesX > 0 && edgesX >= enough ? 2.0 * double(secondX) / double(firstX) : -1;
    const double y = edgesY > 0 && edgesY >= enough ? 2.0 * double(secondY) / double(firstY) : -1;
    if (x < 0 && y < 0)
        return 0;
    return float(x < 0 ? y : y < 0 ? x : std::min(x, y));
}

} // namespace

namespace ShotScoring {

ShotScore score(const QImage &thumb)
{
    ShotScore result;
    if (thumb.isNull() || thumb.width() < 3 || thumb.height() < 3)
        return result;
    // A smooth reduction: a fast one would alias fine detail into "sharpness".
    const int width = std::min(measureWidth, thumb.width());
    const int height = std::max(3, int(std::lround(double(thumb.height()) * width / thumb.width())));
    const QImage small = thumb.scaled(width, height, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                             .convertToFormat(QImage::Format_RGB32);
    const std::vector<quint8> luma = lumaOf(small);

    double sum = 0, squares = 0;
    for (const quint8 v : luma) {
        sum += v;
        squares += double(v) * v;
    }
    const double n = double(luma.size());
    const double mean = sum / n;
    result.meanLuma = float(mean);
    result.lumaSpread = float(std::sqrt(std::max(0.0, squares / n - mean * mean)));

    // 4-neighbour Laplacian over the inner pixels.
    double lapSum = 0, lapSquares = 0;
    const int w = small.width(), h = small.height();
    for (int y = 1; y < h - 1; ++y) {
        const quint8 *row = luma.data() + size_t(y) * size_t(w);
        for (int x = 1; x < w - 1; ++x) {
            const double lap = double(row[x - 1]) + row[x + 1] + row[x - w] + row[x + w] - 4.0 * row[x];
            lapSum += lap;
            lapSquares += lap * lap;
        }
    }
    const double inner = double(w - 2) * (h - 2);
    const double lapMean = lapSum / inner;
    result.sharpness = float(std::max(0.0, lapSquares / inner - lapMean * lapMean));

    result.acuity = acuityOf(thumb, result.lumaSpread);

    const QImage tiny = small.scaled(ShotScore::tinyWidth, ShotScore::tinyHeight, Qt::IgnoreAspectRatio,
                                     Qt::SmoothTransformation);
    const std::vector<quint8> tinyLuma = lumaOf(tiny.convertToFormat(QImage::Format_RGB32));
    result.tiny = QByteArray(reinterpret_cast<const char *>(tinyLuma.data()), qsizetype(tinyLuma.size()));
    result.measured = true;
    return result;
}

} // namespace ShotScoring
