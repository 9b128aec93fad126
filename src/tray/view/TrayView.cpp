#include "tray/view/TrayView.h"

#include "platform/desktop/Workspace.h"
#include "tray/FileTrayStore.h"
#include "tray/view/TrayPreviewWindow.h"
#include "tray/view/TrayRowView.h"
#include "ui/CrestStyle.h"
#include "ui/CrestSymbolView.h"
#include "ui/CrestTypography.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QScrollArea>
#include <QStackedWidget>
#include <QVBoxLayout>

namespace {

using CrestStyle::css;
using CrestStyle::warning;
using CrestStyle::white;
using CrestStyle::withOpacity;

const QString kAddFiles = QStringLiteral("Add Files\u2026");
const QString kAddFilesHelp = QStringLiteral("Choose files to add to the tray");

// A plain text button in the header, dimmed white.
QPushButton *headerButton(const QString &title, const QString &help, QWidget *parent)
{
    auto *button = new QPushButton(title, parent);
    button->setFont(CrestTypography::font(11, QFont::Medium));
    button->setFlat(true);
    button->setCursor(Qt::PointingHandCursor);
    button->setStyleSheet(
        QStringLiteral("QPushButton { color: %1; border: none; background: transparent; }")
            .arg(css(white(0.55))));
    button->setToolTip(help);
    return button;
}

/// The empty tray's invitation: a faint rounded field with a dashed accent
/// edge, a tray symbol, "Drop files here", and a button for those who do not
/// drag.
class DropZone : public QWidget
{
public:
    QPushButton *addButton = nullptr;

    explicit DropZone(QWidget *parent) : QWidget(parent)
    {
        auto *symbol =
            new CrestSymbolView(QStringLiteral("tray.and.arrow.down"), 27, white(0.55), this);
        auto *text = new QLabel(QStringLiteral("Drop files here"), this);
        text->setFont(CrestTypography::font(13, QFont::Medium));
        text->setStyleSheet(QStringLiteral("color: white;"));
        addButton = new QPushButton(kAddFiles, this);
        addButton->setFont(CrestTypography::font(11, QFont::DemiBold));
        addButton->setCursor(Qt::PointingHandCursor);
        addButton->setStyleSheet(
            QStringLiteral("QPushButton { color: %1; background: %2; border: none; "
                           "border-radius: 13px; padding: 6px 11px; }")
                .arg(css(CrestStyle::accent), css(withOpacity(CrestStyle::accent, 0.12))));
        addButton->setToolTip(kAddFilesHelp);
        auto *column = new QVBoxLayout(this);
        column->setSpacing(9);
        column->addStretch();
        column->addWidget(symbol, 0, Qt::AlignHCenter);
        column->addWidget(text, 0, Qt::AlignHCenter);
        column->addWidget(addButton, 0, Qt::AlignHCenter);
        column->addStretch();
    }

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        const QRectF field = QRectF(rect()).adjusted(0.375, 0.375, -0.375, -0.375);
        QPen pen(withOpacity(CrestStyle::accent, 0.18), 0.75);
        pen.setDashPattern({3.0 / 0.75, 5.0 / 0.75}); // dash lengths are in pen widths
        painter.setPen(pen);
        painter.setBrush(white(0.025));
        painter.drawRoundedRect(field, 12, 12);
    }
};

} // namespace

TrayView::TrayView(FileTrayStore &store, Workspace &workspace, QWidget *parent)
    : CrestSurface(18.0, parent), m_store(store), m_workspace(workspace)
{
    build();
}

// A preview that outlived its view would keep the crest open for good.
TrayView::~TrayView()
{
    if (isPreviewOpen())
        m_previewWindow->reject();
}

void TrayView::addToHeader(QWidget *widget)
{
    m_header->insertWidget(m_header->indexOf(m_addButton), widget);
}

void TrayView::build()
{
    auto *symbol = new CrestSymbolView(QStringLiteral("tray"), 12, CrestStyle::accent, this);
    auto *title = new QLabel(QStringLiteral("File tray"), this);
    title->setFont(CrestTypography::font(12, QFont::DemiBold));
    title->setStyleSheet(QStringLiteral("color: white;"));
    m_count = new QLabel(this);
    m_count->setFont(CrestTypography::font(11, QFont::DemiBold));
    m_count->setStyleSheet(
        QStringLiteral("color: %1; background: %2; border-radius: 8px; padding: 3px 6px;")
            .arg(css(white(0.6)), css(white(0.09))));
    m_clear = headerButton(QStringLiteral("Clear"),
                           QStringLiteral("Remove all references from the tray; keep the original "
                                          "files"),
                           this);
    connect(m_clear, &QPushButton::clicked, this, [this] { m_store.clear(); });
    auto *add = headerButton(kAddFiles, kAddFilesHelp, this);
    m_addButton = add;
    connect(add, &QPushButton::clicked, this, &TrayView::addFilesRequested);

    m_header = new QHBoxLayout;
    m_header->setSpacing(8);
    m_header->addWidget(symbol);
    m_header->addWidget(title);
    m_header->addWidget(m_count);
    m_header->addStretch();
    m_header->addWidget(add);
    m_header->addWidget(m_clear);

    m_body = new QStackedWidget(this);
    m_list = new QWidget;
    m_rowsLayout = new QVBoxLayout(m_list);
    m_rowsLayout->setContentsMargins(0, 0, 0, 0);
    m_rowsLayout->setSpacing(4);
    m_rowsLayout->addStretch();
    auto *scroll = new QScrollArea(m_body);
    scroll->setWidget(m_list);
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll->setStyleSheet(QStringLiteral("background: transparent;"));
    auto *dropZone = new DropZone(m_body);
    connect(dropZone->addButton, &QPushButton::clicked, this, &TrayView::addFilesRequested);
    m_body->addWidget(dropZone);
    m_body->addWidget(scroll);

    m_message = new QLabel(this);
    m_message->setObjectName(QStringLiteral("message"));
    m_message->setFont(CrestTypography::font(10));
    m_message->setWordWrap(true);
    m_message->setStyleSheet(QStringLiteral("color: %1;").arg(css(withOpacity(warning, 0.9))));

    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(12, 12, 12, 12);
    column->setSpacing(9);
    column->addLayout(m_header);
    column->addWidget(m_body, 1);
    column->addWidget(m_message);

    connect(&m_store, &FileTrayStore::itemsChanged, this, &TrayView::refresh);
    connect(&m_store, &FileTrayStore::messageChanged, this, &TrayView::refresh);
    connect(&m_store, &FileTrayStore::previewItemChanged, this, &TrayView::followPreviewItem);
    refresh();
    followPreviewItem();
}

void TrayView::refresh()
{
    const bool hasItems = !m_store.items().isEmpty();
    m_count->setVisible(hasItems);
    m_count->setText(QString::number(m_store.items().size()));
    m_clear->setVisible(hasItems);
    m_body->setCurrentIndex(hasItems ? 1 : 0);
    m_message->setVisible(!m_store.message().isEmpty());
    m_message->setText(m_store.message());
    rebuildRows();
}

void TrayView::rebuildRows()
{
    const QList<TrayItem> &items = m_store.items();
    const bool same =
        std::equal(m_rows.begin(), m_rows.end(), items.begin(), items.end(),
                   [](TrayRowView *row, const TrayItem &item) { return row->item() == item; });
    if (same)
        return;
    // A row may be in the middle of emitting the signal that brought us here.
    for (TrayRowView *row : std::exchange(m_rows, {})) {
        row->hide();
        row->deleteLater();
    }
    for (const TrayItem &item : items) {
        auto *row = new TrayRowView(item, m_list);
        // The row's item goes stale once the store republishes; act on a copy.
        connect(row, &TrayRowView::openRequested, this, [this, item] { open(item); });
        connect(row, &TrayRowView::previewRequested, this, [this, item] { preview(item); });
        connect(row, &TrayRowView::revealRequested, this, [this, item] { reveal(item); });
        connect(row, &TrayRowView::removeRequested, this,
                [this, id = item.id] { m_store.remove(id); });
        m_rowsLayout->insertWidget(m_rowsLayout->count() - 1, row);
        m_rows << row;
    }
}

void TrayView::open(const TrayItem &item)
{
    if (!m_store.checkAvailability(item))
        return;
    m_workspace.openFile(item.url.toLocalFile(), [store = QPointer(&m_store)](bool opened) {
        if (store && !opened)
            store->setMessage(
                QStringLiteral("No application could open this file. Try Show in Folder."));
    });
}

void TrayView::preview(const TrayItem &item)
{
    if (m_store.checkAvailability(item))
        m_store.setPreviewItem(item);
}

void TrayView::reveal(const TrayItem &item)
{
    if (m_store.checkAvailability(item))
        m_workspace.revealFiles({item.url.toLocalFile()});
}

bool TrayView::isPreviewOpen() const
{
    return m_previewWindow && m_previewWindow->isOpen();
}

// The window is bound to the store's preview item: setting it shows the
// window, clearing it closes the window, and closing the window clears it.
void TrayView::followPreviewItem()
{
    const std::optional<TrayItem> &item = m_store.previewItem();
    if (!item) {
        if (isPreviewOpen())
            m_previewWindow->reject();
        return;
    }
    if (!m_previewWindow) {
        m_previewWindow = new TrayPreviewWindow(this);
        connect(m_previewWindow, &TrayPreviewWindow::closed, this, [this] {
            m_store.setPreviewItem(std::nullopt);
            emit previewClosed();
        });
    }
    m_previewWindow->showFile(item->url.toLocalFile());
}

void TrayView::showEvent(QShowEvent *event)
{
    // Files may have vanished while the crest was closed.
    m_store.refreshAvailability();
    CrestSurface::showEvent(event);
}
