#pragma once
// Small helpers every test shares.

#include <QImage>
#include <QString>

namespace TestSupport {

// Writes `bytes` to `path`, creating it; fails the test on error.
bool writeFile(const QString &path, const QByteArray &bytes);

// An RGB image whose four quadrants are pure red, green, blue and white
// (top-left, top-right, bottom-left, bottom-right).
QImage quadrants(int width, int height);

// True when the two colours differ by at most `tolerance` in every channel.
bool near(QRgb a, QRgb b, int tolerance);

} // namespace TestSupport
