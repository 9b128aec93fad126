#include "crest/CrestContentView.h"

#include "crest/CrestState.h"
#include "lyrics/LyricsController.h"
#include "music/MusicController.h"
#include "notes/view/NotesView.h"
#include "nowplaying/NowPlayingView.h"
#include "tray/view/TrayPreviewWindow.h"
#include "tray/view/TrayView.h"
#include "ui/CrestPressButton.h"
#include "ui/CrestStyle.h"
#include "updates/view/UpdateAvailableButton.h"

#include <QGraphicsOpacityEffect>
#include <QHBoxLayout>

namespace {

/// Fades `widget` to `opacity`: hidden at 0 (no hits, nothing to read for
/// assistive tools, no repaints), drawn directly at 1, through an opacity
/// effect only while a fade runs.
void setOpacity(QWidget *widget, double opacity)
{
    widget->setVisible(opacity > 0);
    if (opacity <= 0 || opacity >= 1) {
        if (widget->graphicsEffect())
            widget->setGraphicsEffect(nullptr);
        return;
    }
    auto *effect = qobject_cast<QGraphicsOpacityEffect *>(widget->graphicsEffect());
    if (!effect) {
        effect = new QGraphicsOpacityEffect(widget);
        widget->setGraphicsEffect(effect);
    }
    effect->setOpacity(opacity);
}

} // namespace

CrestContentView::CrestContentView(Stores stores, std::function<bool()> reduceMotion,
                                   QWidget *parent)
    : QWidget(parent), m_state(stores.state), m_musicController(stores.music),
      m_lyrics(stores.lyrics), m_reduceMotion(std::move(reduceMotion)),
      m_tray(new TrayView(stores.tray, stores.workspace, this)), m_defaultLayout(new QWidget(this)),
      m_notes(new NotesView(stores.notes, CrestStyle::accent))
{
    m_tray->addToHeader(new UpdateAvailableButton(stores.updates));
    m_notes->addToHeader(new UpdateAvailableButton(stores.updates));

    auto *row = new QHBoxLayout(m_defaultLayout);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(int(kAreaSpacing));
    row->addWidget(m_notes, 1);
    rebuildMusic();
    // Another player becoming active gets a view of its own, not a morph of
    // the last one.
    connect(&m_musicController, &MusicController::activeChanged, this,
            &CrestContentView::rebuildMusic);
}

void CrestContentView::place(const QRect &frame)
{
    setGeometry(frame);
    m_tray->setGeometry(rect());
    m_defaultLayout->setGeometry(rect());
}

void CrestContentView::setOpacities(double trayOpacity, double opacity)
{
    setOpacity(m_tray, trayOpacity);
    setOpacity(m_defaultLayout, 1 - trayOpacity);
    setOpacity(this, opacity);
}

void CrestContentView::rebuildMusic()
{
    if (m_music) {
        // The old view may be in the middle of the signal that brought us here.
        m_music->hide();
        m_music->deleteLater();
    }
    m_music = new NowPlayingView(m_musicController.active(), m_state.topHeight(),
                                 CrestStyle::accent, m_defaultLayout);
    // The card shows and flips the lyrics switch; the lyrics are the crest's.
    m_music->setLyricsShown(m_lyrics.isVisible());
    connect(&m_lyrics, &LyricsController::isVisibleChanged, m_music,
            [this, music = m_music] { music->setLyricsShown(m_lyrics.isVisible()); });
    connect(m_music, &NowPlayingView::lyricsToggled, this,
            [this] { m_lyrics.setVisible(!m_lyrics.isVisible()); });
    m_music->setFixedWidth(int(kMusicWidth));
    static_cast<QHBoxLayout *>(m_defaultLayout->layout())->insertWidget(0, m_music);
    followReduceMotionIn(m_music);
    orderFocusChain();
}

void CrestContentView::followReduceMotionIn(QWidget *root)
{
    const bool reduce = m_reduceMotion && m_reduceMotion();
    for (CrestPressButton *button : root->findChildren<CrestPressButton *>())
        button->setReduceMotion(reduce);
}

void CrestContentView::orderFocusChain()
{
    // Tab follows the reading order: the music card (built last) before the
    // notes, then the tray; inside each area the controls come in the order
    // they are laid out.
    QWidget *previous = nullptr;
    for (QWidget *area : std::initializer_list<QWidget *>{m_music, m_notes, m_tray}) {
        for (QWidget *control : area->findChildren<QWidget *>()) {
            if (!(control->focusPolicy() & Qt::TabFocus) || control->focusProxy() ||
                control->window() != area->window())
                continue;
            if (previous)
                QWidget::setTabOrder(previous, control);
            previous = control;
        }
    }
}
