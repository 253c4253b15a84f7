#include "ui/DropFilter.h"

#include <QMimeDatabase>

namespace DropFilter {

bool isImage(const QString &path)
{
    static const QString image = QStringLiteral("image/");
    const QMimeType type = QMimeDatabase().mimeTypeForFile(path, QMimeDatabase::MatchExtension);
    if (!type.isValid() || type.isDefault())
        return false;
    if (type.name().startsWith(image))
        return true;
    const QStringList ancestors = type.allAncestors();
    return std::any_of(ancestors.begin(), ancestors.end(),
                       [](const QString &name) { return name.startsWith(image); });
}

QList<QUrl> videos(const QList<QUrl> &urls)
{
    QList<QUrl> kept;
    for (const QUrl &url : urls) {
        if (url.isLocalFile() && !isImage(url.toLocalFile()))
            kept.append(url);
    }
    return kept;
}

} // namespace DropFilter
