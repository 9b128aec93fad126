#include "lyrics/LyricsPanelGeometry.h"

#include <QLocale>
#include <QRegularExpression>

#include <algorithm>
#include <cmath>

namespace LyricsPanelGeometry {

QRectF clamped(const QRectF &frame, const QRectF &visible)
{
    const QRectF area =
        visible.adjusted(kScreenMargin, kScreenMargin, -kScreenMargin, -kScreenMargin);
    const double width = std::max(0.0, std::min(area.width(), kPanelSize.width()));
    const double height = std::max(0.0, std::min(area.height(), kPanelSize.height()));
    const double x = std::min(std::max(frame.left(), area.left()), area.right() - width);
    const double y = std::min(std::max(frame.top(), area.top()), area.bottom() - height);
    return {x, y, width, height};
}

QList<QRectF> dragRegions(const QRectF &area, const QRectF &controls)
{
    const QRectF cut = area.intersected(controls);
    if (cut.isEmpty())
        return {area};
    const QRectF candidates[] = {
        {area.left(), area.top(), area.width(), cut.top() - area.top()},
        {area.left(), cut.top(), cut.left() - area.left(), cut.height()},
        {cut.right(), cut.top(), area.right() - cut.right(), cut.height()},
        {area.left(), cut.bottom(), area.width(), area.bottom() - cut.bottom()},
    };
    QList<QRectF> regions;
    for (const QRectF &candidate : candidates) {
        if (!candidate.isEmpty())
            regions.append(candidate);
    }
    return regions;
}

qsizetype mostOverlapping(const QRectF &rect, const QList<QRectF> &screens)
{
    qsizetype best = -1;
    double bestArea = 0;
    for (qsizetype i = 0; i < screens.size(); ++i) {
        const QRectF overlap = rect.intersected(screens[i]);
        const double area = overlap.isEmpty() ? 0 : overlap.width() * overlap.height();
        if (area > bestArea) {
            best = i;
            bestArea = area;
        }
    }
    return best;
}

std::optional<QRectF> initialFrame(const QList<QRectF> &screens, qsizetype primaryIndex,
                                   const std::optional<QPointF> &storedOrigin)
{
    if (screens.isEmpty())
        return std::nullopt;
    const QRectF primary = screens.value(primaryIndex, screens.first());
    const QPointF origin =
        storedOrigin.value_or(QPointF(primary.right() - kPanelSize.width() - kDefaultInset,
                                      primary.bottom() - kPanelSize.height() - kDefaultInset));
    const QRectF wanted(origin, kPanelSize);
    return clamped(wanted, screens.value(mostOverlapping(wanted, screens), screens.first()));
}

std::optional<QRectF> refitted(const QRectF &frame, const QList<QRectF> &screens,
                               qsizetype primaryIndex)
{
    if (screens.isEmpty())
        return std::nullopt;
    const qsizetype index = mostOverlapping(frame, screens);
    return clamped(frame, screens.value(index >= 0 ? index : primaryIndex, screens.first()));
}

QString originText(QPointF origin)
{
    const auto number = [](double value) {
        return QString::number(value, 'g', QLocale::FloatingPointShortest);
    };
    return QStringLiteral("{%1, %2}").arg(number(origin.x()), number(origin.y()));
}

QPointF parseOrigin(const QVariant &stored)
{
    static const QRegularExpression form(
        QStringLiteral(R"(^\s*\{\s*([^\s,{}]+)\s*,\s*([^\s,{}]+)\s*\}\s*$)"));
    // An INI file edited by hand may hold the point without quotes, which
    // reads back as a list split at the comma.
    const QString text = stored.typeId() == QMetaType::QStringList
                             ? stored.toStringList().join(QStringLiteral(", "))
                             : stored.toString();
    const auto match = form.match(text);
    if (!match.hasMatch())
        return {};
    bool xOk = false, yOk = false;
    const double x = match.captured(1).toDouble(&xOk);
    const double y = match.captured(2).toDouble(&yOk);
    if (!xOk || !yOk || !std::isfinite(x) || !std::isfinite(y))
        return {};
    return {x, y};
}

double limitedOpacity(double value)
{
    return std::isfinite(value) ? std::clamp(value, kMinOpacity, 1.0) : kDefaultOpacity;
}

std::optional<double> parseOpacity(const QVariant &stored)
{
    bool ok = false;
    const double value = stored.toDouble(&ok);
    if (!ok || !std::isfinite(value))
        return std::nullopt;
    return limitedOpacity(value);
}

} // namespace LyricsPanelGeometry
