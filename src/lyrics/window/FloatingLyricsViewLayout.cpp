#include "lyrics/window/FloatingLyricsViewLayout.h"

#include "lyrics/LyricsPanelGeometry.h"
#include "lyrics/window/FloatingLyricsViewPainter.h"
#include "lyrics/window/LyricsDragHandle.h"
#include "lyrics/window/LyricsGlyphs.h"
#include "lyrics/window/LyricsMouseToggle.h"
#include "lyrics/window/LyricsProgressView.h"
#include "ui/CrestPressButton.h"
#include "ui/CrestStyle.h"
#include "ui/CrestTypography.h"

#include <QBoxLayout>
#include <QEvent>
#include <QLabel>
#include <QScrollArea>
#include <QStackedWidget>

namespace {

using namespace Qt::StringLiterals;
using CrestStyle::white;
using LyricsGlyphs::Glyph;

constexpr int kPadding = 18;
constexpr int kSpacing = 12;
constexpr int kDragStripHeight = 58;
constexpr double kCurrentPoints = 21;
constexpr double kCurrentMinimumScale = 0.75;

QFont typeface(double points, QFont::Weight weight, double tracking = 0)
{
    QFont f = CrestTypography::font(points, weight);
    f.setLetterSpacing(QFont::AbsoluteSpacing, tracking);
    return f;
}

QLabel *text(const QFont &f, const QColor &color, QWidget *parent, const QString &words = {})
{
    auto *label = new QLabel(words, parent);
    label->setFont(f);
    label->setStyleSheet(u"color: %1;"_s.arg(CrestStyle::css(color)));
    return label;
}

// A one-line label: it takes the width the layout gives it and ends in an
// ellipsis when its text is longer. The whole text stays its accessible name.
QLabel *oneLine(const QFont &f, const QColor &color, QWidget *parent)
{
    QLabel *label = text(f, color, parent);
    label->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    label->setMinimumWidth(0);
    return label;
}

void setOneLine(QLabel *label, const QString &words)
{
    label->setAccessibleName(words);
    label->setText(label->fontMetrics().elidedText(words, Qt::ElideRight, label->width()));
}

// A layout on `owner` without margins: the card's padding is its own.
template <typename Layout> Layout *flush(QWidget *owner, int spacing)
{
    auto *layout = new Layout(owner);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(spacing);
    return layout;
}

CrestPressButton *symbolButton(const QString &help, QWidget *parent)
{
    auto *button = new CrestPressButton(parent);
    button->setIconPoints(10);
    button->setFixedSize(23, 24);
    button->setToolTip(help);
    button->setAccessibleName(help);
    return button;
}

QRectF frameIn(const QWidget *card, const QWidget *part)
{
    return QRectF(QPointF(part->mapTo(card, QPoint())), QSizeF(part->size()));
}

} // namespace

FloatingLyricsViewLayout::FloatingLyricsViewLayout(LyricsController &lyrics, QWidget *card)
    : QObject(card), m_card(card)
{
    m_content = new QWidget(card);
    auto *column = new QVBoxLayout(m_content);
    column->setContentsMargins(kPadding, kPadding, kPadding, kPadding);
    column->setSpacing(kSpacing);
    column->addWidget(buildHeader(lyrics));
    column->addWidget(buildBody(), 1);
    column->addWidget(buildFooter());
    // Over the content: the top strip moves the panel except on its buttons.
    for (int i = 0; i < 4; ++i)
        m_dragHandles.append(new LyricsDragHandle(card));
}

QWidget *FloatingLyricsViewLayout::buildHeader(LyricsController &lyrics)
{
    auto *header = new QWidget(m_content);
    auto *row = flush<QHBoxLayout>(header, 9);

    m_cover = new QLabel(header);
    m_cover->setFixedSize(FloatingLyricsViewPainter::kCoverSize,
                          FloatingLyricsViewPainter::kCoverSize);
    m_cover->setAlignment(Qt::AlignCenter);
    row->addWidget(m_cover);

    auto *song = new QVBoxLayout;
    song->setSpacing(1);
    m_songTitle = oneLine(typeface(11, QFont::DemiBold), Qt::white, header);
    m_songDetail = oneLine(typeface(9, QFont::Normal), white(0.55), header);
    song->addStretch();
    song->addWidget(m_songTitle);
    song->addWidget(m_songDetail);
    song->addStretch();
    row->addLayout(song, 1);

    m_controls = new QWidget(header);
    auto *controls = flush<QHBoxLayout>(m_controls, 2);
    m_toggle = new LyricsMouseToggle(lyrics, m_controls);
    m_options = symbolButton(u"Lyrics appearance and options"_s, m_controls);
    m_options->setAccessibleName(u"Lyrics options"_s);
    m_close = symbolButton(u"Hide lyrics"_s, m_controls);
    controls->addWidget(m_toggle);
    controls->addWidget(m_options);
    controls->addWidget(m_close);
    row->addWidget(m_controls);

    connect(m_options, &QAbstractButton::clicked, this, &FloatingLyricsViewLayout::optionsClicked);
    connect(m_close, &QAbstractButton::clicked, this, &FloatingLyricsViewLayout::closeClicked);

    for (QWidget *watched : {header, m_controls, static_cast<QWidget *>(m_toggle)})
        watched->installEventFilter(this);
    for (QLabel *label : {m_songTitle, m_songDetail})
        label->installEventFilter(this);
    return header;
}

QWidget *FloatingLyricsViewLayout::buildBody()
{
    m_body = new QStackedWidget(m_content);
    m_messagePage = buildMessagePage();
    m_linesPage = buildLinesPage();

    m_loadingPage = new QWidget(m_body);
    auto *loading = flush<QHBoxLayout>(m_loadingPage, 8);
    loading->addWidget(new LyricsProgressView(m_loadingPage));
    loading->addWidget(
        text(typeface(16, QFont::Medium), white(0.55), m_loadingPage, u"Finding the words…"_s));
    loading->addStretch();

    auto *scroll = new QScrollArea(m_body);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setWidgetResizable(true);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll->setStyleSheet(u"background: transparent;"_s);
    m_plain = text(typeface(17, QFont::Medium), Qt::white, scroll);
    m_plain->setWordWrap(true);
    m_plain->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    scroll->setWidget(m_plain);
    m_plainPage = scroll;

    m_emptyPage = new QWidget(m_body);
    for (QWidget *page : {m_messagePage, m_loadingPage, m_linesPage, m_plainPage, m_emptyPage})
        m_body->addWidget(page);
    return m_body;
}

QWidget *FloatingLyricsViewLayout::buildMessagePage()
{
    auto *page = new QWidget(m_body);
    auto *column = flush<QVBoxLayout>(page, 5);
    m_messageTitle = text(typeface(19, QFont::DemiBold, -0.3), Qt::white, page);
    m_messageTitle->setWordWrap(true);
    m_messageDetail = text(typeface(11, QFont::Normal), white(0.45), page);
    m_messageDetail->setWordWrap(true);
    m_retry = new CrestPressButton(page);
    m_retry->setText(u"Try again"_s);
    m_retry->setFont(typeface(11, QFont::Normal));
    m_retry->setStyleSheet(u"color: %1;"_s.arg(CrestStyle::css(CrestStyle::accent)));
    connect(m_retry, &QAbstractButton::clicked, this, &FloatingLyricsViewLayout::retryClicked);
    column->addStretch();
    column->addWidget(m_messageTitle);
    column->addWidget(m_messageDetail);
    column->addWidget(m_retry, 0, Qt::AlignLeft);
    column->addStretch();
    return page;
}

QWidget *FloatingLyricsViewLayout::buildLinesPage()
{
    auto *page = new QWidget(m_body);
    auto *column = flush<QVBoxLayout>(page, 7);
    m_previous = oneLine(typeface(12, QFont::Medium), white(0.28), page);
    m_next = oneLine(typeface(12, QFont::Medium), white(0.38), page);
    m_current = text(typeface(kCurrentPoints, QFont::DemiBold, -0.35), Qt::white, page);
    m_current->setWordWrap(true);
    m_current->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    // The three rows look alike to a screen reader; these say which is sung now.
    m_previous->setAccessibleDescription(u"Previous line"_s);
    m_current->setAccessibleDescription(u"Current line"_s);
    m_next->setAccessibleDescription(u"Next line"_s);

    auto *bar = new QWidget(page);
    bar->setFixedWidth(3);
    bar->setStyleSheet(u"background: %1; border-radius: 1px;"_s.arg(
        CrestStyle::css(CrestStyle::withOpacity(CrestStyle::accent, 0.8))));
    auto *currentRow = new QHBoxLayout;
    currentRow->setSpacing(10);
    currentRow->addWidget(bar);
    currentRow->addWidget(m_current, 1);

    column->addStretch();
    column->addWidget(m_previous);
    column->addLayout(currentRow);
    column->addWidget(m_next);
    column->addStretch();
    m_current->installEventFilter(this);
    return page;
}

QWidget *FloatingLyricsViewLayout::buildFooter()
{
    auto *footer = new QWidget(m_content);
    auto *row = flush<QHBoxLayout>(footer, 5);
    const QFont small = typeface(8, QFont::Medium);
    auto *dot = new QWidget(footer);
    dot->setFixedSize(4, 4);
    dot->setStyleSheet(u"background: %1; border-radius: 2px;"_s.arg(
        CrestStyle::css(CrestStyle::withOpacity(CrestStyle::accent, 0.7))));
    m_mode = text(small, white(0.35), footer);
    m_hint = text(small, white(0.35 * 0.7), footer, u"Drag top to move"_s);
    row->addWidget(dot, 0, Qt::AlignVCenter);
    row->addWidget(m_mode);
    row->addWidget(m_hint);
    row->addStretch();
    row->addWidget(text(typeface(8, QFont::Medium, 1), white(0.35), footer, u"LRCLIB"_s));
    return footer;
}

void FloatingLyricsViewLayout::fillCard()
{
    m_content->setGeometry(m_card->rect());
}

// The handles are moved, never replaced: frames are reported while the
// panel shows its children, when adding or removing one would be unsafe.
void FloatingLyricsViewLayout::placeDragHandles(const QRectF &controls)
{
    const QRectF strip(0, 0, m_card->width(), kDragStripHeight);
    const auto regions = LyricsPanelGeometry::dragRegions(strip, controls);
    for (qsizetype i = 0; i < m_dragHandles.size(); ++i) {
        m_dragHandles[i]->setVisible(i < regions.size());
        if (i < regions.size())
            m_dragHandles[i]->setGeometry(regions[i].toRect());
    }
}

void FloatingLyricsViewLayout::setContentVisible(bool visible)
{
    m_content->setVisible(visible);
}

void FloatingLyricsViewLayout::setSong(const QString &title, const QString &detail)
{
    setOneLine(m_songTitle, title);
    setOneLine(m_songDetail, detail);
}

void FloatingLyricsViewLayout::setCover(const QPixmap &cover)
{
    m_cover->setPixmap(cover);
}

void FloatingLyricsViewLayout::setControlsColor(const QColor &color)
{
    m_options->setIcon(LyricsGlyphs::icon(Glyph::ellipsis, color, 10));
    m_close->setIcon(LyricsGlyphs::icon(Glyph::xmark, color, 10));
}

void FloatingLyricsViewLayout::showMessage(const QString &title, const QString &detail,
                                           bool offersRetry)
{
    m_messageTitle->setText(title);
    m_messageDetail->setText(detail);
    m_messageDetail->setVisible(!detail.isEmpty());
    m_retry->setVisible(offersRetry);
    m_body->setCurrentWidget(m_messagePage);
}

void FloatingLyricsViewLayout::showLoading()
{
    m_body->setCurrentWidget(m_loadingPage);
}

void FloatingLyricsViewLayout::showLines()
{
    m_body->setCurrentWidget(m_linesPage);
}

void FloatingLyricsViewLayout::setLines(const QString &previous, const QString &current,
                                        const QString &next)
{
    setOneLine(m_previous, previous);
    setOneLine(m_next, next);
    m_current->setText(current);
    fitCurrentLine();
}

void FloatingLyricsViewLayout::showPlain(const QString &lyrics)
{
    m_plain->setText(lyrics);
    m_body->setCurrentWidget(m_plainPage);
}

void FloatingLyricsViewLayout::showNothing()
{
    m_body->setCurrentWidget(m_emptyPage);
}

void FloatingLyricsViewLayout::setMode(const QString &mode)
{
    m_mode->setText(mode);
}

void FloatingLyricsViewLayout::setHint(bool shown, const QColor &color)
{
    m_hint->setVisible(shown);
    m_hint->setStyleSheet(u"color: %1;"_s.arg(CrestStyle::css(color)));
}

QRectF FloatingLyricsViewLayout::controlsFrame() const
{
    return frameIn(m_card, m_controls);
}

QRectF FloatingLyricsViewLayout::mouseToggleFrame() const
{
    return frameIn(m_card, m_toggle);
}

QPoint FloatingLyricsViewLayout::optionsMenuOrigin() const
{
    return m_options->mapToGlobal(QPoint(0, m_options->height()));
}

// The current line takes at most two lines, shrinking to three quarters of
// its size before the rest is cut.
void FloatingLyricsViewLayout::fitCurrentLine()
{
    QFont f = m_current->font();
    const int width = std::max(1, m_current->width());
    for (double points = kCurrentPoints; points >= kCurrentPoints * kCurrentMinimumScale;
         points -= 0.25) {
        f = typeface(points, QFont::DemiBold, -0.35);
        const QFontMetricsF metrics(f);
        const QRectF needed =
            metrics.boundingRect(QRectF(0, 0, width, 1e6), Qt::TextWordWrap, m_current->text());
        if (needed.height() <= 2 * metrics.lineSpacing() + 1)
            break;
    }
    m_current->setFont(f);
    m_current->setMaximumHeight(int(std::ceil(2 * QFontMetricsF(f).lineSpacing())) + 2);
}

bool FloatingLyricsViewLayout::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::Resize || event->type() == QEvent::Move) {
        if (watched == m_current)
            fitCurrentLine();
        else if (auto *label = qobject_cast<QLabel *>(watched))
            setOneLine(label, label->accessibleName());
        else
            emit controlsMoved();
    }
    return QObject::eventFilter(watched, event);
}
