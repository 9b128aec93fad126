#include "lyrics/window/LyricsWindowController.h"

#include "core/Clock.h"
#include "core/Scheduler.h"
#include "lyrics/LyricsController.h"
#include "lyrics/LyricsPanelGeometry.h"
#include "lyrics/window/FloatingLyricsPanel.h"
#include "lyrics/window/FloatingLyricsView.h"
#include "lyrics/window/LyricsMouseToggle.h"
#include "platform/desktop/ScreenSource.h"
#include "platform/storage/Settings.h"
#include "players/model/PlayerController.h"

namespace {

using namespace LyricsPanelGeometry;

constexpr double kCardRadius = 22;
constexpr double kToggleRadius = 6;
// A drag moves the panel on every pointer motion; the settings file is
// rewritten once the panel has rested this long, not for every step.
constexpr Seconds kOriginSaveDelay{0.3};

// The panel keeps clear of the desktop's own panels and docks.
QList<QRectF> screenFrames(const ScreenSource &source)
{
    QList<QRectF> frames;
    for (const ScreenInfo &screen : source.screens())
        frames.append(screen.visibleFrame());
    return frames;
}

} // namespace

LyricsWindowController::LyricsWindowController(LyricsController &lyrics, PlayerController &player,
                                               Services services, QObject *parent)
    : QObject(parent), m_lyrics(lyrics), m_services(services),
      m_presentation(lyrics, player, services.clock, services.scheduler, services.motion)
{
    if (const auto stored = parseOpacity(m_services.defaults.value(QLatin1String(kOpacityKey))))
        m_lyrics.setOpacity(*stored);

    m_lyrics.visibilityChanged = [self = QPointer(this)](bool visible) {
        if (!self)
            return;
        if (visible)
            self->present();
        else
            self->conceal();
    };
    connect(&lyrics, &LyricsController::clickThroughChanged, this,
            &LyricsWindowController::applyClickThrough);
    connect(&lyrics, &LyricsController::opacityChanged, this, [this] {
        applyOpacity();
        m_services.defaults.setValue(QLatin1String(kOpacityKey),
                                     limitedOpacity(m_lyrics.opacity()));
    });
    bindPlayback(player);
    connect(&m_services.screens, &ScreenSource::screensChanged, this,
            &LyricsWindowController::screenChanged);
    connect(&m_presentation, &LyricsPresentation::mouseToggleFrameChanged, this,
            &LyricsWindowController::updateMouseToggleWindow);
    if (m_lyrics.isVisible())
        present();
}

LyricsWindowController::~LyricsWindowController()
{
    m_lyrics.visibilityChanged = nullptr;
    if (m_originSave) {
        m_originSave.cancel();
        saveOrigin();
    }
    // The view observes the presentation: it goes first.
    m_mouseTogglePanel.reset();
    m_panel.reset();
}

void LyricsWindowController::show()
{
    if (m_lyrics.isVisible())
        present();
    else
        m_lyrics.setVisible(true);
}

void LyricsWindowController::hide()
{
    m_lyrics.setVisible(false);
}

void LyricsWindowController::toggle()
{
    if (isVisible())
        hide();
    else
        show();
}

bool LyricsWindowController::isVisible() const
{
    return m_panel && m_panel->isVisible();
}

void LyricsWindowController::bindPlayback(PlayerController &player)
{
    for (const auto &subscription : m_playbackSubscriptions)
        disconnect(subscription);
    m_playbackSubscriptions.clear();
    m_player = &player;
    const quint64 binding = ++m_binding;

    m_lyrics.updateTrack(player.currentTrack());
    samplePlayback();

    // Player values reach the lyrics from the event queue and are read
    // afresh when they arrive; one queued before a rebinding is dropped.
    const auto whenCurrent = [this, binding](void (LyricsWindowController::*step)()) {
        return [this, binding, step] {
            if (binding == m_binding)
                (this->*step)();
        };
    };
    const auto track = whenCurrent(&LyricsWindowController::followTrack);
    const auto sample = whenCurrent(&LyricsWindowController::samplePlayback);
    constexpr auto queued = Qt::QueuedConnection;
    m_playbackSubscriptions = {
        connect(&player, &PlayerController::currentTrackChanged, this, track, queued),
        connect(&player, &PlayerController::elapsedChanged, this, sample, queued),
        connect(&player, &PlayerController::isPlayingChanged, this, sample, queued),
        connect(&player, &PlayerController::isScrubbingChanged, this, sample, queued),
        connect(&player, &PlayerController::isControllingChanged, this, sample, queued),
    };
    m_presentation.setPlayer(player);
}

void LyricsWindowController::followTrack()
{
    if (m_player)
        m_lyrics.updateTrack(m_player->currentTrack());
}

void LyricsWindowController::samplePlayback()
{
    if (!m_player)
        return;
    const PlayerController &player = *m_player;
    // The lyrics hold still while the user drags the scrubber or waits for a
    // transport command to land.
    m_lyrics.updatePlayback(player.elapsed(),
                            player.isPlaying() && !player.isScrubbing() && !player.isControlling(),
                            m_services.clock.now());
}

void LyricsWindowController::present()
{
    if (!m_panel) {
        m_panel =
            std::make_unique<FloatingLyricsPanel>(QStringLiteral("Velloway Lyrics"), kCardRadius);
        m_panel->resize(kPanelSize.toSize());
        m_panel->setContent(new FloatingLyricsView(m_presentation));
        connect(m_panel.get(), &FloatingLyricsPanel::moved, this,
                &LyricsWindowController::windowDidMove);
        positionInitially();
    }
    applyClickThrough();
    applyOpacity();
    screenChanged();
    m_panel->showAndRaise();
    updateMouseToggleWindow();
    announceVisibility();
}

void LyricsWindowController::conceal()
{
    if (m_panel)
        m_panel->orderOut();
    if (m_mouseTogglePanel)
        m_mouseTogglePanel->orderOut();
    announceVisibility();
}

void LyricsWindowController::announceVisibility()
{
    const bool visible = isVisible();
    if (visible != m_wasVisible) {
        m_wasVisible = visible;
        emit isVisibleChanged(visible);
    }
}

void LyricsWindowController::positionInitially()
{
    const QVariant stored = m_services.defaults.value(QLatin1String(kOriginKey));
    const auto frame =
        initialFrame(screenFrames(m_services.screens), m_services.screens.primaryIndex(),
                     stored.isValid() ? std::optional(parseOrigin(stored)) : std::nullopt);
    if (frame)
        m_panel->setGeometry(frame->toRect());
}

void LyricsWindowController::screenChanged()
{
    if (!m_panel)
        return;
    const auto frame = refitted(QRectF(m_panel->geometry()), screenFrames(m_services.screens),
                                m_services.screens.primaryIndex());
    if (frame)
        m_panel->setGeometry(frame->toRect());
    updateMouseToggleWindow();
}

void LyricsWindowController::windowDidMove()
{
    m_originSave = m_services.scheduler.after(kOriginSaveDelay, [this] {
        m_originSave.release();
        saveOrigin();
    });
    updateMouseToggleWindow();
}

void LyricsWindowController::saveOrigin()
{
    if (m_panel)
        m_services.defaults.setValue(QLatin1String(kOriginKey),
                                     originText(QPointF(m_panel->pos())));
}

void LyricsWindowController::applyClickThrough()
{
    if (m_panel)
        m_panel->setIgnoresMouseEvents(m_lyrics.clickThrough());
    updateMouseToggleWindow();
}

void LyricsWindowController::applyOpacity()
{
    const double alpha = limitedOpacity(m_lyrics.opacity());
    for (FloatingLyricsPanel *panel : {m_panel.get(), m_mouseTogglePanel.get()}) {
        if (panel)
            panel->setWindowOpacity(alpha);
    }
}

void LyricsWindowController::updateMouseToggleWindow()
{
    const QRectF frame = m_presentation.mouseToggleFrame();
    if (!m_lyrics.clickThrough() || !isVisible() || frame.isEmpty()) {
        if (m_mouseTogglePanel)
            m_mouseTogglePanel->orderOut();
        return;
    }
    if (!m_mouseTogglePanel) {
        m_mouseTogglePanel = std::make_unique<FloatingLyricsPanel>(
            QStringLiteral("Lyrics Mouse Toggle"), kToggleRadius);
        m_mouseTogglePanel->setContent(new LyricsMouseToggle(m_lyrics));
    }
    m_mouseTogglePanel->setGeometry(frame.translated(QPointF(m_panel->pos())).toRect());
    m_mouseTogglePanel->setWindowOpacity(limitedOpacity(m_lyrics.opacity()));
    // Ordered after the lyrics panel, so it stays above it.
    m_mouseTogglePanel->showAndRaise();
}
