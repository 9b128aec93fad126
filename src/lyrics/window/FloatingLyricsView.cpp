#include "lyrics/window/FloatingLyricsView.h"

#include "core/Scheduler.h"
#include "lyrics/LyricsController.h"
#include "lyrics/window/FloatingLyricsViewLayout.h"
#include "lyrics/window/FloatingLyricsViewPainter.h"
#include "lyrics/window/LyricsOptionsMenu.h"
#include "lyrics/window/LyricsPresentation.h"
#include "players/model/PlayerController.h"
#include "ui/CrestPressButton.h"
#include "ui/CrestStyle.h"

#include <QPainter>

namespace {

using namespace Qt::StringLiterals;
using CrestStyle::white;
using Status = LyricsController::Status;

constexpr Seconds kTickTolerance{0.05};

} // namespace

FloatingLyricsView::FloatingLyricsView(LyricsPresentation &presentation, QWidget *parent)
    : QWidget(parent), m_presentation(presentation), m_lyrics(presentation.lyrics())
{
    resize(kSize);
    setMouseTracking(true);
    setAttribute(Qt::WA_TranslucentBackground);
    m_layout = new FloatingLyricsViewLayout(m_lyrics, this);
    m_painter = new FloatingLyricsViewPainter(m_layout->linesPage(), this);
    m_menu = new LyricsOptionsMenu(presentation, this);

    connect(m_layout, &FloatingLyricsViewLayout::optionsClicked, this,
            [this] { m_menu->popup(m_layout->optionsMenuOrigin()); });
    connect(m_layout, &FloatingLyricsViewLayout::closeClicked, this,
            [this] { m_lyrics.setVisible(false); });
    connect(m_layout, &FloatingLyricsViewLayout::retryClicked, &presentation,
            &LyricsPresentation::reload);
    connect(m_layout, &FloatingLyricsViewLayout::controlsMoved, this,
            &FloatingLyricsView::reportFrames);
    connect(&m_lyrics, &LyricsController::isVisibleChanged, this, [this] {
        m_layout->setContentVisible(m_lyrics.isVisible());
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
            [this] { m_layout->placeDragHandles(m_presentation.headerControlsFrame()); });
    connect(&presentation, &LyricsPresentation::playerChanged, this,
            &FloatingLyricsView::followPlayer);
    const auto followMotion = [this] {
        for (auto *button : findChildren<CrestPressButton *>())
            button->setReduceMotion(m_presentation.reduceMotion());
    };
    connect(&presentation, &LyricsPresentation::reduceMotionChanged, this, followMotion);

    followMotion();
    m_layout->setContentVisible(m_lyrics.isVisible());
    followPlayer();
    refreshControls();
    refreshBody();
    refreshFooter();
}

FloatingLyricsView::~FloatingLyricsView() = default;

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
    const QString detail = hasTrack ? player.artist() : QString();
    m_layout->setSong(hasTrack ? player.trackTitle() : u"No song playing"_s,
                      !detail.isEmpty() ? detail
                                        : u"Play a song in "_s + m_presentation.playerName());
    m_layout->setCover(FloatingLyricsViewPainter::cover(player.artwork(), devicePixelRatioF()));
}

void FloatingLyricsView::refreshControls()
{
    m_layout->setControlsColor(white(m_presentation.hovered() ? 0.85 : 0.4));
}

bool FloatingLyricsView::hasLines() const
{
    const auto &document = m_lyrics.document();
    return m_lyrics.status() == Status::ready && document && !document->instrumental() &&
           !document->lines().isEmpty();
}

void FloatingLyricsView::refreshBody()
{
    const auto &document = m_lyrics.document();
    switch (m_lyrics.status()) {
    case Status::idle:
        m_layout->showMessage(u"Your next song, in words."_s,
                              u"Play a song in "_s + m_presentation.playerName() + u'.', false);
        break;
    case Status::loading:
        m_layout->showLoading();
        break;
    case Status::ready:
        if (!document)
            m_layout->showNothing();
        else if (document->instrumental())
            m_layout->showMessage(u"Just the music."_s, u"This track is instrumental."_s, false);
        else if (!document->lines().isEmpty())
            m_layout->showLines();
        else
            m_layout->showPlain(document->plainText());
        break;
    case Status::notFound:
        m_layout->showMessage(u"No lyrics for this one yet."_s,
                              u"Try another song, or reload later."_s, true);
        break;
    case Status::failed:
        m_layout->showMessage(u"Lyrics couldn’t load."_s, u"Check your connection and try again."_s,
                              true);
        break;
    case Status::rateLimited:
        m_layout->showMessage(u"A little pause."_s,
                              u"The lyrics service is busy. Try again later."_s, true);
        break;
    case Status::noArtist:
        m_layout->showMessage(u"Lyrics can’t be looked up for this song without an artist."_s,
                              QString(), false);
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
    m_layout->setLines(previous.isEmpty() ? u" "_s : previous, current.isEmpty() ? u"♪"_s : current,
                       next.isEmpty() ? u" "_s : next);
    if (animate)
        m_painter->fadeInLines();
}

void FloatingLyricsView::refreshFooter()
{
    const bool through = m_lyrics.clickThrough();
    m_layout->setMode(through ? u"Click-through"_s : hasLines() ? u"Synced lyrics"_s : u"Lyrics"_s);
    m_layout->setHint(!through, white(m_presentation.hovered() ? 0.35 * 0.7 : 0.0));
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
    m_presentation.setHeaderControlsFrame(m_layout->controlsFrame());
    m_presentation.setMouseToggleFrame(m_layout->mouseToggleFrame());
}

void FloatingLyricsView::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    m_layout->fillCard();
    m_layout->placeDragHandles(m_presentation.headerControlsFrame());
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
    FloatingLyricsViewPainter::paintCard(painter, QRectF(rect()));
}
