#include "nowplaying/NowPlayingView.h"

#include "nowplaying/ArtworkButton.h"
#include "nowplaying/PlayerSymbolButton.h"
#include "nowplaying/RecordArt.h"
#include "nowplaying/Scrubber.h"
#include "nowplaying/VolumeStrip.h"
#include "players/model/PlayerController.h"
#include "players/model/VolumeController.h"
#include "ui/CrestStyle.h"
#include "ui/CrestTypography.h"

#include <QBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPainter>
#include <QProgressBar>
#include <QPushButton>
#include <QStackedLayout>

#include <algorithm>
#include <cmath>

namespace {

using namespace Qt::StringLiterals;
using State = PlayerConnectionState;
using CrestStyle::css;
using CrestStyle::white;

constexpr int kPadding = 14;
// The crest content's own top padding, above this card's.
constexpr double kCrestTopPadding = 8;
constexpr double kNotchGap = 6;
constexpr double kLongestTime = 359999;
constexpr QSize kTransportFrame(22, 28);
constexpr QSize kPlayFrame(30, 30);
constexpr QSize kLyricsFrame(24, 20);

QLabel *label(const QFont &f, const QColor &color, QWidget *parent)
{
    auto *text = new QLabel(parent);
    text->setFont(f);
    text->setStyleSheet(u"color: %1;"_s.arg(css(color)));
    return text;
}

QPushButton *textButton(const QString &title, const QFont &f, const QString &style, QWidget *parent)
{
    auto *button = new QPushButton(title, parent);
    button->setFont(f);
    button->setFlat(true);
    // Tab reaches it and Enter presses it; a click never takes focus.
    button->setFocusPolicy(Qt::TabFocus);
    button->setAutoDefault(true);
    button->setCursor(Qt::PointingHandCursor);
    button->setStyleSheet(style);
    return button;
}

// The cover behind the card: blurred by scaling through a tiny image, then
// desaturated towards grey.
QImage blurredBackground(const QImage &artwork, QSize size)
{
    if (artwork.isNull() || size.isEmpty())
        return {};
    constexpr int kBlurCells = 12;
    QImage small =
        artwork.scaled(kBlurCells, kBlurCells, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
            .convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < small.height(); ++y) {
        auto *line = reinterpret_cast<QRgb *>(small.scanLine(y));
        for (int x = 0; x < small.width(); ++x) {
            const int grey = qGray(line[x]);
            auto mix = [grey](int c) { return int(grey + 0.65 * (c - grey)); };
            line[x] = qRgba(mix(qRed(line[x])), mix(qGreen(line[x])), mix(qBlue(line[x])),
                            qAlpha(line[x]));
        }
    }
    return small.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}

} // namespace

NowPlayingView::NowPlayingView(PlayerController &controller, double notchClearance,
                               const QColor &accent, QWidget *parent)
    : QWidget(parent), m_controller(controller), m_accent(accent)
{
    const double inset = textTopInset(notchClearance);
    m_pages = new QStackedLayout(this);
    m_pages->setContentsMargins(kPadding, kPadding, kPadding, kPadding);
    m_pages->addWidget(buildPlayback(inset));
    m_pages->addWidget(buildConnection(inset));

    for (auto changed :
         {&PlayerController::connectionStateChanged, &PlayerController::statusMessageChanged,
          &PlayerController::trackTitleChanged, &PlayerController::artistChanged,
          &PlayerController::isPlayingChanged, &PlayerController::elapsedChanged,
          &PlayerController::durationChanged, &PlayerController::isControllingChanged,
          &PlayerController::isScrubbingChanged, &PlayerController::currentTrackChanged})
        connect(&controller, changed, this, &NowPlayingView::refresh);
    connect(&controller, &PlayerController::artworkChanged, this, &NowPlayingView::refreshArtwork);
    connect(&controller, &PlayerController::showingSetupChanged, this,
            &NowPlayingView::refreshSetup);
    refresh();
    refreshArtwork();
    refreshSetup();
}

NowPlayingView::~NowPlayingView()
{
    delete m_setupAlert;
}

QString NowPlayingView::time(double seconds)
{
    if (!std::isfinite(seconds) || seconds <= 0)
        return u"0:00"_s;
    const int whole = int(std::min(seconds, kLongestTime));
    return QString::asprintf("%d:%02d", whole / 60, whole % 60);
}

double NowPlayingView::textTopInset(double notchClearance)
{
    return std::max(notchClearance + kNotchGap - kCrestTopPadding - kPadding, 0.0);
}

QString NowPlayingView::connectionTitle(State state, const QString &displayName,
                                        const QString &browserName)
{
    switch (state) {
    case State::notRunning:
    case State::ready:
        return displayName;
    case State::needsPermission:
        return u"Connect "_s + browserName;
    case State::denied:
        return u"Permission needed"_s;
    case State::connecting:
        return u"Connecting…"_s;
    case State::unavailable:
        return u"Waiting for "_s + browserName;
    }
    return displayName;
}

QWidget *NowPlayingView::buildPlayback(double inset)
{
    auto *page = new QWidget(this);
    auto *column = new QVBoxLayout(page);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);

    auto *top = new QHBoxLayout;
    top->setSpacing(13);
    column->addLayout(top);

    auto *left = new QVBoxLayout;
    left->setSpacing(4);
    top->addLayout(left);
    m_artwork = new ArtworkButton(m_accent, page);
    const QString open = u"Open "_s + m_controller.displayName();
    m_artwork->setToolTip(open);
    m_artwork->setAccessibleName(open);
    connect(m_artwork, &QAbstractButton::clicked, this, [this] { m_controller.openPlayer(); });
    left->addWidget(m_artwork, 0, Qt::AlignHCenter);
    m_lyricsButton = new PlayerSymbolButton(11, kLyricsFrame, page);
    m_lyricsButton->setSymbol(u"quote.bubble"_s);
    connect(m_lyricsButton, &QAbstractButton::clicked, this, &NowPlayingView::lyricsToggled);
    left->addWidget(m_lyricsButton, 0, Qt::AlignHCenter);
    left->addStretch();

    auto *right = new QVBoxLayout;
    right->setSpacing(0);
    right->addSpacing(qRound(inset));
    top->addLayout(right, 1);
    m_title = label(CrestTypography::font(12.5, QFont::DemiBold), white(0.94), page);
    m_artist = label(CrestTypography::font(10.5), CrestStyle::secondary, page);
    right->addWidget(m_title);
    right->addSpacing(3);
    right->addWidget(m_artist);
    right->addSpacing(4);

    m_transport = new QWidget(page);
    auto *transport = new QHBoxLayout(m_transport);
    transport->setContentsMargins(0, 0, 0, 0);
    transport->setSpacing(17);
    auto *previous = new PlayerSymbolButton(11, kTransportFrame, m_transport);
    previous->setSymbol(u"backward.end.fill"_s);
    previous->setForeground(white(0.7));
    previous->setLabel(u"Previous track"_s, u"Previous track"_s);
    m_playPause = new PlayerSymbolButton(11, kPlayFrame, m_transport);
    m_playPause->setForeground(QColor::fromRgbF(0.07f, 0.12f, 0.1f));
    m_playPause->setDisc(m_accent);
    auto *next = new PlayerSymbolButton(11, kTransportFrame, m_transport);
    next->setSymbol(u"forward.end.fill"_s);
    next->setForeground(white(0.7));
    next->setLabel(u"Next track"_s, u"Next track"_s);
    connect(previous, &QAbstractButton::clicked, this,
            [this] { m_controller.control(PlayerCommand::previous()); });
    connect(m_playPause, &QAbstractButton::clicked, this,
            [this] { m_controller.control(PlayerCommand::toggle()); });
    connect(next, &QAbstractButton::clicked, this,
            [this] { m_controller.control(PlayerCommand::next()); });
    transport->addStretch();
    transport->addWidget(previous);
    transport->addWidget(m_playPause);
    transport->addWidget(next);
    transport->addStretch();
    right->addWidget(m_transport);
    right->addSpacing(2);
    m_volume = new VolumeStrip(m_controller.volume(), page);
    right->addWidget(m_volume);

    column->addStretch();
    auto *position = new QHBoxLayout;
    position->setSpacing(8);
    const QFont digits = CrestTypography::font(9, QFont::Medium);
    m_elapsed = label(digits, CrestStyle::tertiary, page);
    m_duration = label(digits, CrestStyle::tertiary, page);
    m_scrubber = new Scrubber(m_controller, page);
    m_scrubber->setFixedHeight(14);
    position->addWidget(m_elapsed);
    position->addWidget(m_scrubber, 1);
    position->addWidget(m_duration);
    column->addLayout(position);
    return page;
}

QWidget *NowPlayingView::buildConnection(double inset)
{
    auto *page = new QWidget(this);
    auto *row = new QHBoxLayout(page);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(16);
    auto *record = new RecordArt(m_accent, false, page);
    record->setFixedSize(45, 45);
    row->addWidget(record, 0, Qt::AlignTop);

    auto *column = new QVBoxLayout;
    column->setSpacing(6);
    column->addSpacing(qRound(inset));
    row->addLayout(column, 1);
    m_connectionTitle = label(CrestTypography::font(12, QFont::DemiBold), Qt::white, page);
    m_message = label(CrestTypography::font(11), white(0.5), page);
    m_message->setWordWrap(true);
    m_message->setMaximumHeight(m_message->fontMetrics().lineSpacing() * 3);
    column->addWidget(m_connectionTitle);
    column->addWidget(m_message);

    auto *actions = new QHBoxLayout;
    actions->setSpacing(12);
    actions->setContentsMargins(0, 2, 0, 0);
    column->addLayout(actions);
    column->addStretch();

    m_waiting = new QWidget(page);
    auto *waiting = new QHBoxLayout(m_waiting);
    waiting->setContentsMargins(0, 0, 0, 0);
    auto *spinner = new QProgressBar(m_waiting);
    spinner->setRange(0, 0);
    spinner->setTextVisible(false);
    spinner->setFixedSize(16, 4);
    waiting->addWidget(spinner);
    auto *waitingText = label(CrestTypography::font(11), white(0.5), m_waiting);
    waitingText->setText(u"Waiting for permission…"_s);
    waiting->addWidget(waitingText);

    QColor capsule = m_accent;
    capsule.setAlphaF(0.12f);
    m_action =
        textButton({}, CrestTypography::font(11, QFont::DemiBold),
                   u"QPushButton { color: %1; background: %2; border: none;"
                   " border-radius: 14px; padding: 7px 11px; }"_s.arg(css(m_accent), css(capsule)),
                   page);
    m_retry = textButton(
        u"Retry"_s, CrestTypography::font(11),
        u"QPushButton { color: %1; background: transparent; border: none; }"_s.arg(css(white(0.8))),
        page);
    m_setup = textButton(
        u"Setup…"_s, CrestTypography::font(10),
        u"QPushButton { color: %1; background: transparent; border: none; }"_s.arg(css(white(0.6))),
        page);
    connect(m_action, &QAbstractButton::clicked, this, [this] {
        if (m_controller.connectionState() == State::notRunning)
            m_controller.openPlayer();
        else
            retry();
    });
    connect(m_retry, &QAbstractButton::clicked, this, &NowPlayingView::retry);
    connect(m_setup, &QAbstractButton::clicked, this,
            [this] { m_controller.setShowingSetup(true); });
    actions->addStretch();
    for (QWidget *item : {m_waiting, static_cast<QWidget *>(m_action),
                          static_cast<QWidget *>(m_retry), static_cast<QWidget *>(m_setup)})
        actions->addWidget(item);
    actions->addStretch();
    return page;
}

void NowPlayingView::retry()
{
    m_controller.setNextAutomaticAttempt(PlayerController::kDistantPast);
    m_controller.load(true);
}

void NowPlayingView::refresh()
{
    const State state = m_controller.connectionState();
    const MusicSource source = m_controller.source();
    m_pages->setCurrentIndex(state == State::ready ? 0 : 1);

    m_title->setText(m_controller.trackTitle());
    m_title->setToolTip(m_controller.trackTitle());
    m_artist->setText(m_controller.artist());
    m_artist->setToolTip(m_controller.artist());
    m_transport->setEnabled(!m_controller.isControlling() && !m_controller.isScrubbing());
    const bool playing = m_controller.isPlaying();
    m_playPause->setSymbol(playing ? u"pause.fill"_s : u"play.fill"_s);
    m_playPause->setLabel(playing ? u"Pause"_s : u"Play"_s,
                          (playing ? u"Pause "_s : u"Play "_s) + m_controller.displayName());
    m_elapsed->setText(time(m_controller.elapsed()));
    m_duration->setText(time(m_controller.duration()));
    refreshLyricsButton();

    m_connectionTitle->setText(
        connectionTitle(state, m_controller.displayName(), source.browserName()));
    m_message->setText(
        m_controller.statusMessage().value_or(u"Connect a player to show your current song."_s));
    const bool connecting = state == State::connecting;
    m_waiting->setVisible(connecting);
    // The settings page a refused connection would point to does not exist
    // here, so a refusal offers only the retry.
    m_action->setVisible(!connecting && state != State::denied);
    m_action->setText(state == State::notRunning        ? u"Open"_s
                      : state == State::needsPermission ? u"Connect"_s
                                                        : u"Try again"_s);
    m_retry->setVisible(state == State::denied);
    m_setup->setVisible(!connecting && (source.isBrowser() || source == MusicSource::pear));
}

void NowPlayingView::setLyricsShown(bool shown)
{
    m_lyricsShown = shown;
    refreshLyricsButton();
}

void NowPlayingView::refreshLyricsButton()
{
    const bool visible = m_lyricsShown;
    const QString text = visible ? u"Hide floating lyrics"_s : u"Show floating lyrics"_s;
    m_lyricsButton->setLabel(text, text);
    m_lyricsButton->setForeground(visible ? m_accent : white(0.55));
    m_lyricsButton->setEnabled(m_controller.currentTrack().has_value());
}

void NowPlayingView::refreshArtwork()
{
    m_artwork->setArtwork(m_controller.artwork());
    m_background = QImage();
    update();
}

void NowPlayingView::refreshSetup()
{
    if (!m_controller.showingSetup()) {
        if (m_setupAlert)
            m_setupAlert->close();
        return;
    }
    if (m_setupAlert)
        return;
    const MusicSource source = m_controller.source();
    m_setupAlert = new QMessageBox(QMessageBox::NoIcon, u"Connect "_s + source.displayName(),
                                   source.setup(), QMessageBox::NoButton, this);
    m_setupAlert->addButton(u"OK"_s, QMessageBox::RejectRole);
    m_setupAlert->setAttribute(Qt::WA_DeleteOnClose);
    connect(m_setupAlert, &QDialog::finished, this,
            [this] { m_controller.setShowingSetup(false); });
    m_setupAlert->open();
}

void NowPlayingView::showEvent(QShowEvent *event)
{
    m_controller.start();
    QWidget::showEvent(event);
}

void NowPlayingView::paintEvent(QPaintEvent *)
{
    if (m_controller.artwork().isNull())
        return;
    if (m_background.size() != size())
        m_background = blurredBackground(m_controller.artwork(), size());
    QPainter painter(this);
    painter.setOpacity(0.16);
    painter.drawImage(0, 0, m_background);
}
