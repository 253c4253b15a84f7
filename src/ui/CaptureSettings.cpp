#include "ui/CaptureSettings.h"
#include "basics/Planning.h"
#include "widgets/NumberBox.h"

#include <QCoreApplication>
#include <QStringList>

#include <algorithm>
#include <climits>

namespace CaptureSettings {

QString summary(const ExtractSettings &settings)
{
    QStringList parts;
    if (settings.mode == ExtractMode::count) {
        parts << shotCount(settings.count);
    } else if (settings.mode == ExtractMode::scene) {
        // Clamped in its own statement: lupdate's parser never returns from a
        // template argument list inside the translate() call.
        const int most = int(std::clamp<qint64>(settings.count, 0, INT_MAX));
        parts << QCoreApplication::translate("CaptureSettings", "Scenes · at most %n", nullptr, most);
    } else {
        parts << QCoreApplication::translate("CaptureSettings", "Every %1 sec")
                     .arg(NumberBox::format(settings.interval, NumberBox::Kind::decimal));
    }
    if (settings.precise)
        parts << QCoreApplication::translate("CaptureSettings", "Precise");
    if (settings.format == ShotFormat::png)
        parts << QStringLiteral("PNG");
    if (settings.format == ShotFormat::webp)
        parts << QStringLiteral("WebP");
    return parts.join(QStringLiteral(" · "));
}

} // namespace CaptureSettings
