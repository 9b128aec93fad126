#include "updates/UpdateAvailableButton.h"

#include "crest/CrestStyle.h"
#include "crest/SymbolIcons.h"
#include "music/SpotifySymbolButton.h"
#include "music/SpotifyTypography.h"
#include "updates/AppUpdateController.h"

#include <QPainter>

namespace {

using namespace Qt::StringLiterals;

constexpr double kFontPoints = 10;
constexpr int kHeight = 26;
constexpr int kPadding = 8;
constexpr int kSpacing = 4;

} // namespace

UpdateAvailableButton::UpdateAvailableButton(AppUpdateController &updates, QWidget *parent)
    : QAbstractButton(parent), m_updates(updates)
{
    setText(u"Update"_s);
    setFont(SpotifyTypography::font(kFontPoints, QFont::Medium));
    setFocusPolicy(Qt::NoFocus);
    setCursor(Qt::PointingHandCursor);
    setFixedHeight(kHeight);
    connect(this, &QAbstractButton::clicked, this, [this] { m_updates.checkForUpdates(); });
    connect(&updates, &AppUpdateController::availableVersionChanged, this,
            &UpdateAvailableButton::refresh);
    refresh();
}

QSize UpdateAvailableButton::sizeHint() const
{
    const int label = fontMetrics().horizontalAdvance(text());
    return {kPadding * 2 + qRound(kFontPoints) + kSpacing + label, kHeight};
}

void UpdateAvailableButton::refresh()
{
    setVisible(m_updates.availableVersion().has_value());
}

void UpdateAvailableButton::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    SpotifySymbolButton::applyPress(painter, *this);

    QColor capsule = CrestStyle::accent;
    capsule.setAlphaF(0.1f);
    painter.setPen(Qt::NoPen);
    painter.setBrush(capsule);
    painter.drawRoundedRect(QRectF(rect()), height() / 2.0, height() / 2.0);

    const double symbolSide = kFontPoints;
    const QPixmap symbol =
        SymbolIcons::tinted(u"arrow.down.circle.fill", QSizeF(symbolSide, symbolSide),
                            CrestStyle::accent, devicePixelRatioF());
    const double textWidth = fontMetrics().horizontalAdvance(text());
    double x = (width() - (symbolSide + kSpacing + textWidth)) / 2;
    painter.drawPixmap(QPointF(x, (height() - symbolSide) / 2), symbol);
    x += symbolSide + kSpacing;
    painter.setPen(CrestStyle::accent);
    painter.drawText(QRectF(x, 0, textWidth + 1, height()), Qt::AlignVCenter | Qt::AlignLeft,
                     text());
}
