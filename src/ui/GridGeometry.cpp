#include "ui/GridGeometry.h"

#include <algorithm>
#include <cmath>

namespace GridGeometry {

Columns columns(double width)
{
    if (!std::isfinite(width) || width <= 0)
        return {1, 0};
    const int count = std::max(1, int(std::floor((width + spacing) / (minColumnWidth + spacing))));
    return {count, (width - (count - 1) * spacing) / count};
}

double aspect(const QSizeF &size)
{
    if (size.width() > 0 && size.height() > 0)
        return size.width() / size.height();
    return 16.0 / 9.0;
}

QRectF cellRect(int index, const Columns &columns, double cellHeight)
{
    const int count = std::max(1, columns.count);
    const int row = index / count;
    const int column = index % count;
    return {inset + column * (columns.width + spacing), inset + row * (cellHeight + spacing),
            columns.width, cellHeight};
}

double contentHeight(int cells, const Columns &columns, double cellHeight)
{
    if (cells <= 0)
        return 2 * inset;
    const int count = std::max(1, columns.count);
    const int rows = (cells + count - 1) / count;
    return 2 * inset + rows * cellHeight + (rows - 1) * spacing;
}

QRectF fitted(const QRectF &space, double aspect)
{
    if (!(aspect > 0) || space.isEmpty())
        return {space.center(), QSizeF(0, 0)};
    QSizeF size(space.width(), space.width() / aspect);
    if (size.height() > space.height())
        size = QSizeF(space.height() * aspect, space.height());
    QRectF result(QPointF(), size);
    result.moveCenter(space.center());
    return result;
}

} // namespace GridGeometry
