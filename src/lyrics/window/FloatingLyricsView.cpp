#include "lyrics/window/FloatingLyricsView.h"

#include "core/Scheduler.h"
#include "lyrics/LyricsController.h"
#include "lyrics/LyricsPanelGeometry.h"
#include "lyrics/window/LyricsDragHandle.h"
#include "lyrics/window/LyricsGlyphs.h"
#include "lyrics/window/LyricsMouseToggle.h"
#include "lyrics/window/LyricsPresentation.h"
#include "lyrics/window/LyricsProgressView.h"
#include "players/model/PlayerController.h"
#include "ui/CrestMenu.h"
#include "ui/CrestPressButton.h"
#include "ui/CrestStyle.h"
#include "ui/CrestTypography.h"

#include <QBoxLayout>
#include <QEvent>
#include <QGraphicsOpacityEffect>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QScrollArea>
#include <QStackedWidget>
#include <QVariantAnimation>

namespace {

using namespace Qt::StringLiterals;
using CrestStyle::white;
using LyricsGlyphs::Glyph;
using Status = LyricsController::Status;

constexpr int kPadding = 18;
constexpr int kSpacing = 12;
constexpr int kCoverSize = 28;
constexpr double kCardRadius = 22;
constexpr int kDragStripHeight = 58;
constexpr double kCurrentPoints = 21;
constexpr double kCurrentMinimumScale = 0.75;
constexpr int kLineFadeMilliseconds = 220;
constexpr Seconds kTickTolerance{0.05};
const QColor kCardTint = QColor::fromRgbF(0.06f, 0.095f, 0.08f);

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

CrestPressButton *symbolButton(Glyph glyph, const QString &help, QWidget *parent)
{
    auto *button = new CrestPressButton(parent);
    button->setIconPoints(10);
    button->setFixedSize(23, 24);
    button->setToolTip(help);
    button->setAccessibleName(help);
    button->setProperty("glyph", int(glyph));
    return button;
}

} // namespace

FloatingLyricsView::FloatingLyricsView(LyricsPresentation &presentation, QWidget *parent)
    : QWidget(parent), m_presentation(presentation), m_lyrics(presentation.lyrics())
{
    resize(kSize);
    setMouseTracking(true);
    setAttribute(Qt::WA_TranslucentBackground);
    m_content = new QWidget(this);
    auto *column = new QVBoxLayout(m_content);
    column->setContentsMargins(kPadding, kPadding, kPadding, kPadding);
    column->setSpacing(kSpacing);
    column->addWidget(buildHeader());
    column->addWidget(buildBody(), 1);
    column->addWidget(buildFooter());
    // Over the content: the top strip moves the panel except on its buttons.
    for (int i = 0; i < 4; ++i)
        m_dragHandles.append(new LyricsDragHandle(this));

    connect(&m_lyrics, &LyricsController::isVisibleChanged, this, [this] {
        m_content->setVisible(m_lyrics.isVisible());
        refreshTimeline();
        update();
    });
    connect(&m_lyrics, &LyricsController::statusChanged, this, &FloatingLyricsView::refreshBody);
    connect(&m_lyrics, &LyricsController::documentChanged, this, &FloatingLyricsView::refreshBody);
    connect(&m_lyrics, &LyricsController::samplePositionChanged, this,
            &FloatingLyricsView::refreshLines);
    connect(&m_lyrics, &LyricsController::isPlayingChanged, this, [this] {
        refreshLines();
        refreshTimeline();
    });
    connect(&m_lyrics, &LyricsController::clickThroughChanged, this,
            &FloatingLyricsView::refreshFooter);
    connect(&presentation, &LyricsPresentation::hoveredChanged, this, [this] {
        refreshControls();
        refreshFooter();
    });
    connect(&presentation, &LyricsPresentation::headerControlsFrameChanged, this,
            &FloatingLyricsView::layoutDragHandles);
    connect(&presentation, &LyricsPresentation::playerChanged, this,
            &FloatingLyricsView::followPlayer);
    const auto followMotion = [this] {
        for (auto *button : findChildren<CrestPressButton *>())
            button->setReduceMotion(m_presentation.reduceMotion());
    };
    connect(&presentation, &LyricsPresentation::reduceMotionChanged, this, followMotion);

    followMotion();
    m_content->setVisible(m_lyrics.isVisible());
    followPlayer();
    refreshControls();
    refreshBody();
    refreshFooter();
}

FloatingLyricsView::~FloatingLyricsView() = default;

QWidget *FloatingLyricsView::buildHeader()
{
    auto *header = new QWidget(m_content);
    auto *row = flush<QHBoxLayout>(header, 9);

    m_cover = new QLabel(header);
    m_cover->setFixedSize(kCoverSize, kCoverSize);
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
    m_toggle = new LyricsMouseToggle(m_lyrics, m_controls);
    m_options = symbolButton(Glyph::ellipsis, u"Lyrics appearance and options"_s, m_controls);
    m_options->setAccessibleName(u"Lyrics options"_s);
    m_close = symbolButton(Glyph::xmark, u"Hide lyrics"_s, m_controls);
    controls->addWidget(m_toggle);
    controls->addWidget(m_options);
    controls->addWidget(m_close);
    row->addWidget(m_controls);

    m_menu = new CrestMenu(this);
    connect(m_menu, &QMenu::aboutToShow, this, &FloatingLyricsView::fillMenu);
    connect(m_options, &QAbstractButton::clicked, this,
            [this] { m_menu->popup(m_options->mapToGlobal(QPoint(0, m_options->height()))); });
    connect(m_close, &QAbstractButton::clicked, this, [this] { m_lyrics.setVisible(false); });

    for (QWidget *watched : {header, m_controls, static_cast<QWidget *>(m_toggle)})
        watched->installEventFilter(this);
    for (QLabel *label : {m_songTitle, m_songDetail})
        label->installEventFilter(this);
    return header;
}

QWidget *FloatingLyricsView::buildBody()
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

QWidget *FloatingLyricsView::buildMessagePage()
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
    connect(m_retry, &QAbstractButton::clicked, &m_presentation, &LyricsPresentation::reload);
    column->addStretch();
    column->addWidget(m_messageTitle);
    column->addWidget(m_messageDetail);
    column->addWidget(m_retry, 0, Qt::AlignLeft);
    column->addStretch();
    return page;
}

QWidget *FloatingLyricsView::buildLinesPage()
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

    auto *fade = new QGraphicsOpacityEffect(page);
    fade->setEnabled(false);
    page->setGraphicsEffect(fade);
    m_lineFade = new QVariantAnimation(this);
    m_lineFade->setStartValue(0.2);
    m_lineFade->setEndValue(1.0);
    m_lineFade->setDuration(kLineFadeMilliseconds);
    m_lineFade->setEasingCurve(QEasingCurve::InOutQuad);
    connect(m_lineFade, &QVariantAnimation::valueChanged, fade,
            [fade](const QVariant &value) { fade->setOpacity(value.toDouble()); });
    connect(m_lineFade, &QVariantAnimation::finished, fade, [fade] { fade->setEnabled(false); });
    return page;
}

QWidget *FloatingLyricsView::buildFooter()
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

void FloatingLyricsView::followPlayer()
{
    for (const auto &subscription : m_playerSubscriptions)
        disconnect(subscription);
    PlayerController &player = m_presentation.player();
    m_playerSubscriptions = {
        connect(&player, &PlayerController::trackTitleChanged, this,
                &FloatingLyricsView::refreshHeader),
        connect(&player, &PlayerController::artistChanged, this,
                &FloatingLyricsView::refreshHeader),
        connect(&player, &PlayerController::artworkChanged, this,
                &FloatingLyricsView::refreshHeader),
        connect(&player, &PlayerController::currentTrackChanged, this,
                &FloatingLyricsView::refreshHeader),
    };
    refreshHeader();
    refreshBody();
}

void FloatingLyricsView::refreshHeader()
{
    const PlayerController &player = m_presentation.player();
    const bool hasTrack = player.currentTrack().has_value();
    setOneLine(m_songTitle, hasTrack ? player.trackTitle() : u"No song playing"_s);
    const QString detail = hasTrack ? player.artist() : QString();
    setOneLine(m_songDetail,
               !detail.isEmpty() ? detail : u"Play a song in "_s + m_presentation.playerName());

    const qreal ratio = devicePixelRatioF();
    QPixmap cover(QSize(kCoverSize, kCoverSize) * ratio);
    cover.setDevicePixelRatio(ratio);
    cover.fill(Qt::transparent);
    QPainter painter(&cover);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    const QRectF square(0, 0, kCoverSize, kCoverSize);
    QPainterPath rounded;
    rounded.addRoundedRect(square, 7, 7);
    painter.setClipPath(rounded);
    if (!player.artwork().isNull()) {
        const QImage art =
            player.artwork().scaled(square.size().toSize() * ratio, Qt::KeepAspectRatioByExpanding,
                                    Qt::SmoothTransformation);
        const QSizeF shown = QSizeF(art.size()) / ratio;
        painter.drawImage(
            QRectF(QPointF((kCoverSize - shown.width()) / 2, (kCoverSize - shown.height()) / 2),
                   shown),
            art);
    } else {
        painter.fillRect(square, white(0.08));
        LyricsGlyphs::icon(Glyph::musicNote, CrestStyle::accent, 14)
            .paint(&painter, QRect(7, 7, 14, 14));
    }
    painter.end();
    m_cover->setPixmap(cover);
}

void FloatingLyricsView::refreshControls()
{
    const QColor color = white(m_presentation.hovered() ? 0.85 : 0.4);
    for (CrestPressButton *button : {m_options, m_close})
        button->setIcon(LyricsGlyphs::icon(Glyph(button->property("glyph").toInt()), color, 10));
}

void FloatingLyricsView::fillMenu()
{
    m_menu->clear();
    m_menu->addAction(u"Opacity"_s)->setEnabled(false);
    const std::pair<QString, double> levels[] = {
        {u"Subtle · 60%"_s, 0.6}, {u"Balanced · 80%"_s, 0.8}, {u"Solid · 100%"_s, 1.0}};
    for (const auto &[title, opacity] : levels) {
        connect(m_menu->addAction(title), &QAction::triggered, this,
                [this, opacity] { m_lyrics.setOpacity(opacity); });
    }
    m_menu->addSeparator();
    QAction *open = m_menu->addItem(u"Open in "_s + m_presentation.playerName());
    open->setEnabled(m_presentation.player().currentTrack().has_value());
    connect(open, &QAction::triggered, this,
            [this] { m_presentation.player().openCurrentTrack(); });
    connect(m_menu->addAction(u"Reload lyrics"_s), &QAction::triggered, &m_presentation,
            &LyricsPresentation::reload);
}

bool FloatingLyricsView::hasLines() const
{
    const auto &document = m_lyrics.document();
    return m_lyrics.status() == Status::ready && document && !document->instrumental() &&
           !document->lines().isEmpty();
}

void FloatingLyricsView::refreshBody()
{
    const auto message = [this](const QString &title, const QString &detail, bool retry) {
        m_messageTitle->setText(title);
        m_messageDetail->setText(detail);
        m_messageDetail->setVisible(!detail.isEmpty());
        m_retry->setVisible(retry);
        m_body->setCurrentWidget(m_messagePage);
    };
    const auto &document = m_lyrics.document();
    switch (m_lyrics.status()) {
    case Status::idle:
        message(u"Your next song, in words."_s,
                u"Play a song in "_s + m_presentation.playerName() + u'.', false);
        break;
    case Status::loading:
        m_body->setCurrentWidget(m_loadingPage);
        break;
    case Status::ready:
        if (!document) {
            m_body->setCurrentWidget(m_emptyPage);
        } else if (document->instrumental()) {
            message(u"Just the music."_s, u"This track is instrumental."_s, false);
        } else if (!document->lines().isEmpty()) {
            m_body->setCurrentWidget(m_linesPage);
        } else {
            m_plain->setText(document->plainText());
            m_body->setCurrentWidget(m_plainPage);
        }
        break;
    case Status::notFound:
        message(u"No lyrics for this one yet."_s, u"Try another song, or reload later."_s, true);
        break;
    case Status::failed:
        message(u"Lyrics couldn’t load."_s, u"Check your connection and try again."_s, true);
        break;
    case Status::rateLimited:
        message(u"A little pause."_s, u"The lyrics service is busy. Try again later."_s, true);
        break;
    case Status::noArtist:
        message(u"Lyrics can’t be looked up for this song without an artist."_s, QString(), false);
        break;
    }
    m_shownIndex.reset();
    refreshLines();
    refreshTimeline();
    refreshFooter();
}

void FloatingLyricsView::refreshLines()
{
    if (!hasLines())
        return;
    const auto &lines = m_lyrics.document()->lines();
    const auto index =
        m_lyrics.document()->activeIndex(m_lyrics.position(m_presentation.clock().now()));
    if (m_shownIndex && *m_shownIndex == index)
        return;
    const bool animate = m_shownIndex.has_value() && !m_presentation.reduceMotion();
    m_shownIndex = index;

    QString previous, current, next = lines.first().text;
    if (index) {
        current = lines[*index].text;
        previous = *index > 0 ? lines[*index - 1].text : QString();
        next = *index + 1 < lines.size() ? lines[*index + 1].text : QString();
    }
    // An empty neighbour keeps its height; an empty current line is a pause.
    setOneLine(m_previous, previous.isEmpty() ? u" "_s : previous);
    setOneLine(m_next, next.isEmpty() ? u" "_s : next);
    m_current->setText(current.isEmpty() ? u"♪"_s : current);
    fitCurrentLine();
    if (animate) {
        m_linesPage->graphicsEffect()->setEnabled(true);
        m_lineFade->stop();
        m_lineFade->start();
    }
}

// The current line takes at most two lines, shrinking to three quarters of
// its size before the rest is cut.
void FloatingLyricsView::fitCurrentLine()
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

void FloatingLyricsView::refreshFooter()
{
    const bool through = m_lyrics.clickThrough();
    m_mode->setText(through ? u"Click-through"_s : hasLines() ? u"Synced lyrics"_s : u"Lyrics"_s);
    m_hint->setVisible(!through);
    m_hint->setStyleSheet(
        u"color: %1;"_s.arg(CrestStyle::css(white(m_presentation.hovered() ? 0.35 * 0.7 : 0.0))));
}

void FloatingLyricsView::refreshTimeline()
{
    const bool running = m_lyrics.isVisible() && hasLines() && m_lyrics.isPlaying();
    if (running == m_timeline.isActive())
        return;
    m_timeline = running ? m_presentation.scheduler().every(kTick, kTickTolerance,
                                                            [this] { refreshLines(); })
                         : CancelHandle();
}

void FloatingLyricsView::reportFrames()
{
    m_presentation.setHeaderControlsFrame(
        QRectF(QPointF(m_controls->mapTo(this, QPoint())), QSizeF(m_controls->size())));
    m_presentation.setMouseToggleFrame(
        QRectF(QPointF(m_toggle->mapTo(this, QPoint())), QSizeF(m_toggle->size())));
}

// The handles are moved, never replaced: frames are reported while the
// panel shows its children, when adding or removing one would be unsafe.
void FloatingLyricsView::layoutDragHandles()
{
    const QRectF strip(0, 0, width(), kDragStripHeight);
    const auto regions =
        LyricsPanelGeometry::dragRegions(strip, m_presentation.headerControlsFrame());
    for (qsizetype i = 0; i < m_dragHandles.size(); ++i) {
        m_dragHandles[i]->setVisible(i < regions.size());
        if (i < regions.size())
            m_dragHandles[i]->setGeometry(regions[i].toRect());
    }
}

bool FloatingLyricsView::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::Resize || event->type() == QEvent::Move) {
        if (watched == m_current)
            fitCurrentLine();
        else if (auto *label = qobject_cast<QLabel *>(watched))
            setOneLine(label, label->accessibleName());
        else
            reportFrames();
    }
    return QWidget::eventFilter(watched, event);
}

void FloatingLyricsView::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    m_content->setGeometry(rect());
    layoutDragHandles();
}

void FloatingLyricsView::enterEvent(QEnterEvent *event)
{
    QWidget::enterEvent(event);
    m_presentation.setHovered(true);
}

void FloatingLyricsView::leaveEvent(QEvent *event)
{
    QWidget::leaveEvent(event);
    m_presentation.setHovered(false);
}

void FloatingLyricsView::paintEvent(QPaintEvent *)
{
    if (!m_lyrics.isVisible())
        return;
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF card = QRectF(rect()).adjusted(0.25, 0.25, -0.25, -0.25);
    QPainterPath outline;
    outline.addRoundedRect(card, kCardRadius, kCardRadius);
    // X11 has no blurred material behind windows: the card is always the
    // opaque near-black base under its tint.
    painter.fillPath(outline, QColor::fromRgbF(0.08f, 0.08f, 0.08f));
    QLinearGradient tint(card.topLeft(), card.bottomLeft());
    tint.setColorAt(0, CrestStyle::withOpacity(kCardTint, 0.9));
    tint.setColorAt(1, CrestStyle::withOpacity(kCardTint, 0.82));
    painter.fillPath(outline, tint);
    painter.setPen(QPen(white(0.14), 0.5));
    painter.drawPath(outline);
}
