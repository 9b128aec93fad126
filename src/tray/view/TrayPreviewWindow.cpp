#include "tray/view/TrayPreviewWindow.h"

#include "tray/view/TrayRowView.h"
#include "ui/CrestTypography.h"

#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QShortcut>
#include <QStackedWidget>
#include <QVBoxLayout>

namespace {

using namespace Qt::StringLiterals;

constexpr QSize kWindow(620, 440);
constexpr int kPadding = 16;
constexpr int kIconPoints = 96;

enum Page
{
    loading,
    picture,
    text,
    details
};

} // namespace

TrayPreviewWindow::TrayPreviewWindow(QWidget *parent)
    : QDialog(parent), m_name(new QLabel(this)), m_pages(new QStackedWidget(this)),
      m_picture(new QLabel(m_pages)), m_text(new QPlainTextEdit(m_pages))
{
    setFixedSize(kWindow);

    m_name->setFont(CrestTypography::headline());
    m_name->setTextFormat(Qt::PlainText);
    m_name->setMinimumWidth(1);
    auto *done = new QPushButton(u"Done"_s, this);
    done->setAutoDefault(false);
    connect(done, &QPushButton::clicked, this, &QDialog::reject);
    // Escape closes any dialog; Space closes a preview as well.
    connect(new QShortcut(Qt::Key_Space, this), &QShortcut::activated, this, &QDialog::reject);
    connect(this, &QDialog::finished, this, &TrayPreviewWindow::closed);

    auto *header = new QHBoxLayout;
    header->setContentsMargins(kPadding, kPadding, kPadding, kPadding);
    header->addWidget(m_name, 1);
    header->addWidget(done);

    m_picture->setAlignment(Qt::AlignCenter);
    m_text->setReadOnly(true);
    // Keys stay with the window, so Space closes rather than scrolls.
    m_text->setFocusPolicy(Qt::NoFocus);
    m_text->setFont(CrestTypography::font(12));
    m_text->setFrameShape(QFrame::NoFrame);
    auto *detailsPage = new QWidget(m_pages);
    m_icon = new QLabel(detailsPage);
    m_details = new QLabel(detailsPage);
    auto *detailsColumn = new QVBoxLayout(detailsPage);
    detailsColumn->addStretch();
    detailsColumn->addWidget(m_icon, 0, Qt::AlignHCenter);
    detailsColumn->addWidget(m_details, 0, Qt::AlignHCenter);
    detailsColumn->addStretch();
    m_details->setAlignment(Qt::AlignCenter);
    m_details->setTextFormat(Qt::PlainText);
    m_details->setFont(CrestTypography::font(12));
    m_pages->insertWidget(loading, new QWidget(m_pages));
    m_pages->insertWidget(picture, m_picture);
    m_pages->insertWidget(text, m_text);
    m_pages->insertWidget(details, detailsPage);

    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    column->addLayout(header);
    column->addWidget(m_pages, 1);
}

void TrayPreviewWindow::showFile(const QString &path)
{
    if (path != m_path || !isVisible()) {
        m_path = path;
        m_preview.reset();
        m_name->setText(QFileInfo(path).fileName());
        setWindowTitle(m_name->text());
        m_pages->setCurrentIndex(loading);
        const QSize pixels =
            (kWindow - QSize(0, m_name->sizeHint().height() + 2 * kPadding)) * devicePixelRatioF();
        const quint64 generation = ++m_generation;
        m_loader.load(path, pixels, this, [this, generation](TrayPreview preview) {
            if (generation == m_generation) // a newer file was asked for meanwhile
                present(std::move(preview));
        });
    }
    QDialog::show();
    raise();
    activateWindow();
}

void TrayPreviewWindow::present(TrayPreview preview)
{
    switch (preview.kind) {
    case TrayPreview::Kind::image:
    case TrayPreview::Kind::page: {
        QPixmap pixmap = QPixmap::fromImage(preview.image);
        pixmap.setDevicePixelRatio(devicePixelRatioF());
        m_picture->setPixmap(pixmap);
        m_pages->setCurrentIndex(picture);
        break;
    }
    case TrayPreview::Kind::text:
        m_text->setPlainText(preview.text);
        m_pages->setCurrentIndex(text);
        break;
    case TrayPreview::Kind::details: {
        m_icon->setPixmap(TrayRowView::fileIcon(m_path).pixmap(QSize(kIconPoints, kIconPoints),
                                                               devicePixelRatioF()));
        QStringList lines{preview.name, preview.typeName, preview.sizeText};
        lines.removeAll(QString());
        m_details->setText(lines.join(u'\n'));
        m_pages->setCurrentIndex(details);
        break;
    }
    }
    m_preview = std::move(preview);
}
