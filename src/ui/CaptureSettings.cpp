#include "ui/CaptureSettings.h"
#include "engine/Planning.h"
#include "widgets/NumberBox.h"

#include <QCoreApplication>
#include <QStringList>

namespace CaptureSettings {

QString summary(const ExtractSettings &settings)
{
    QStringList parts;
    if (settings.mode == ExtractMode::count) {
        parts << shotCount(settings.count);
    } else {
        parts << QCoreApplication::translate("CaptureSettings", "Every %1 sec")
                     .arg(NumberBox::format(settings.interval, NumberBox::Kind::decimal));
    }
    if (settings.precise)
        parts << QCoreApplication::translate("CaptureSettings", "Precise");
    if (settings.format == ShotFormat::png)
        parts << QStringLiteral("PNG");
    return parts.join(QStringLiteral(" · "));
}

} // namespace CaptureSettings
