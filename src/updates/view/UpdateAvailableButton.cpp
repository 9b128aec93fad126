#include "updates/view/UpdateAvailableButton.h"

#include "ui/CrestStyle.h"
#include "ui/CrestTypography.h"
#include "updates/AppUpdateController.h"

namespace {

using namespace Qt::StringLiterals;

constexpr int kHeight = 26;
constexpr int kPadding = 8;

} // namespace

UpdateAvailableButton::UpdateAvailableButton(AppUpdateController &updates, QWidget *parent)
    : CrestPressButton(parent), m_updates(updates)
{
    setText(u"Update"_s);
    setSymbol(u"arrow.down.circle.fill"_s);
    setFont(CrestTypography::font(10, QFont::Medium));
    setIconPoints(10);
    setForeground(CrestStyle::accent);
    setFill(CrestStyle::withOpacity(CrestStyle::accent, 0.1), kHeight / 2.0);
    setFixedHeight(kHeight);
    connect(this, &QAbstractButton::clicked, this, [this] { m_updates.checkForUpdates(); });
    connect(&updates, &AppUpdateController::availableVersionChanged, this,
            &UpdateAvailableButton::refresh);
    refresh();
}

QSize UpdateAvailableButton::sizeHint() const
{
    return {contentWidth() + 2 * kPadding, kHeight};
}

void UpdateAvailableButton::refresh()
{
    const auto version = m_updates.availableVersion();
    setVisible(version.has_value());
    const QString help = u"Update Velloway to version "_s + version.value_or(QString());
    setLabel(help, help);
}
