#include "tray/view/TrayRowView.h"

#include "ui/CrestMenu.h"
#include "ui/CrestPressButton.h"
#include "ui/CrestStyle.h"
#include "ui/CrestTypography.h"
#include "ui/SymbolIcons.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QDrag>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QMimeData>
#include <QMimeDatabase>
#include <QMouseEvent>
#include <QPainter>
#include <QVBoxLayout>

QIcon TrayRowView::fileIcon(const QString &path)
{
    const QMimeType type = QMimeDatabase().mimeTypeForFile(path);
    return SymbolIcons::themeIcon(
        type.iconName(),
        SymbolIcons::themeIcon(type.genericIconName(),
                               SymbolIcons::themeIcon(QStringLiteral("text-x-generic"))));
}

namespace {

constexpr int kIconPoints = 29;

QPixmap iconPixmap(const QIcon &icon, double opacity, double devicePixelRatio)
{
    QPixmap faded(QSize(kIconPoints, kIconPoints) * devicePixelRatio);
    faded.setDevicePixelRatio(devicePixelRatio);
    faded.fill(Qt::transparent);
    QPainter painter(&faded);
    painter.setOpacity(opacity);
    icon.paint(&painter, QRect(0, 0, kIconPoints, kIconPoints));
    return faded;
}

QLabel *smallLabel(const QString &text, const QFont &font, const QColor &color, QWidget *parent)
{
    auto *label = new QLabel(text, parent);
    label->setFont(font);
    label->setStyleSheet(QStringLiteral("color: %1;").arg(CrestStyle::css(color)));
    return label;
}

} // namespace

TrayRowView::TrayRowView(const TrayItem &item, QWidget *parent)
    : QWidget(parent), m_item(item), m_name(QFileInfo(item.url.toLocalFile()).fileName()),
      m_nameLabel(smallLabel(m_name, CrestTypography::font(12, QFont::Medium), Qt::white, this)),
      m_preview(new CrestPressButton(this))
{
    const QString path = item.url.toLocalFile();
    auto *icon = new QLabel(this);
    icon->setFixedSize(kIconPoints, kIconPoints);
    icon->setPixmap(iconPixmap(fileIcon(path), item.isAvailable ? 1.0 : 0.4, devicePixelRatioF()));

    m_nameLabel->setObjectName(QStringLiteral("name"));
    m_nameLabel->setMinimumWidth(1);
    m_nameLabel->setToolTip(m_name);
    const QFont detailFont = CrestTypography::font(10);
    QLabel *detail =
        item.isAvailable
            ? smallLabel(QFileInfo(QFileInfo(path).absolutePath()).fileName(), detailFont,
                         CrestStyle::white(0.4), this)
            : smallLabel(QStringLiteral("Unavailable \u00b7 add again to reconnect"), detailFont,
                         CrestStyle::withOpacity(CrestStyle::warning, 0.85), this);
    detail->setMinimumWidth(1);

    auto *texts = new QVBoxLayout;
    texts->setSpacing(3);
    texts->addWidget(m_nameLabel);
    texts->addWidget(detail);

    m_preview->setSymbol(QStringLiteral("eye"));
    m_preview->setIconPoints(11);
    m_preview->setFixedSize(25, 28);
    m_preview->setEnabled(item.isAvailable);
    m_preview->setLabel(QStringLiteral("Preview file"), QStringLiteral("Preview ") + m_name);
    connect(m_preview, &QAbstractButton::clicked, this, &TrayRowView::previewRequested);

    auto *remove = new CrestPressButton(this);
    remove->setSymbol(QStringLiteral("xmark"));
    remove->setIconPoints(9);
    remove->setFixedSize(23, 28);
    remove->setLabel(QStringLiteral("Remove from tray; keep original file"),
                     QStringLiteral("Remove ") + m_name + QStringLiteral(" from tray"));
    connect(remove, &QAbstractButton::clicked, this, &TrayRowView::removeRequested);

    auto *row = new QHBoxLayout(this);
    row->setContentsMargins(9, 7, 9, 7);
    row->addWidget(icon);
    row->addLayout(texts, 1);
    row->addWidget(m_preview);
    row->addWidget(remove);
}

QMimeData *TrayRowView::dragData() const
{
    auto *data = new QMimeData;
    data->setUrls({m_item.url});
    return data;
}

QMenu *TrayRowView::makeContextMenu(QWidget *parent)
{
    auto *menu = new CrestMenu(parent);
    const auto add = [&](const QString &text, void (TrayRowView::*signal)(), bool enabled) {
        QAction *action = menu->addItem(text);
        action->setEnabled(enabled);
        connect(action, &QAction::triggered, this, signal);
    };
    add(QStringLiteral("Open"), &TrayRowView::openRequested, m_item.isAvailable);
    add(QStringLiteral("Preview"), &TrayRowView::previewRequested, m_item.isAvailable);
    add(QStringLiteral("Show in Folder"), &TrayRowView::revealRequested, m_item.isAvailable);
    menu->addSeparator();
    add(QStringLiteral("Remove from Tray"), &TrayRowView::removeRequested, true);
    return menu;
}

void TrayRowView::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(CrestStyle::white(0.045));
    painter.drawRoundedRect(QRectF(rect()), 10, 10);
}

void TrayRowView::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    elideName();
}

// Middle truncation keeps the extension in sight.
void TrayRowView::elideName()
{
    m_nameLabel->setText(
        m_nameLabel->fontMetrics().elidedText(m_name, Qt::ElideMiddle, m_nameLabel->width()));
}

void TrayRowView::mousePressEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton)
        m_pressPoint = event->position().toPoint();
    QWidget::mousePressEvent(event);
}

void TrayRowView::mouseMoveEvent(QMouseEvent *event)
{
    if (!(event->buttons() & Qt::LeftButton) ||
        (event->position().toPoint() - m_pressPoint).manhattanLength() <
            QApplication::startDragDistance())
        return;
    auto *drag = new QDrag(this);
    drag->setMimeData(dragData());
    drag->exec(Qt::CopyAction | Qt::LinkAction, Qt::CopyAction);
}

void TrayRowView::mouseDoubleClickEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton)
        emit openRequested();
}

void TrayRowView::contextMenuEvent(QContextMenuEvent *event)
{
    QMenu *menu = makeContextMenu(this);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->popup(event->globalPos());
}
