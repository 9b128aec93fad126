#pragma once

#include "players/model/PlayerConnectionPolicy.h"

#include <QColor>
#include <QImage>
#include <QPointer>
#include <QWidget>

class QLabel;
class QMessageBox;
class QPushButton;
class QStackedLayout;
class ArtworkButton;
class PlayerController;
class Scrubber;
class PlayerSymbolButton;
class VolumeStrip;

/// The music card of the expanded crest: the playing song with its cover,
/// transport, lyrics switch, volume and position, or, while the player is
/// not connected, what is missing and the one action that helps.
class NowPlayingView final : public QWidget
{
    Q_OBJECT

public:
    /// `notchClearance`: the height of the band at the top, beside the notch,
    /// that the card's top text must clear.
    NowPlayingView(PlayerController &controller, double notchClearance, const QColor &accent,
                   QWidget *parent = nullptr);
    ~NowPlayingView() override;

    /// Whether the floating lyrics are shown, for the lyrics switch.
    void setLyricsShown(bool shown);

    /// Seconds as minutes and seconds ("0:00" for nothing to show).
    static QString time(double seconds);
    /// How far text under the notch is pushed down.
    static double textTopInset(double notchClearance);
    /// The connection layout's title for `state`.
    static QString connectionTitle(PlayerConnectionState state, const QString &displayName,
                                   const QString &browserName);

signals:
    /// The person pressed the lyrics switch: the floating lyrics should be
    /// shown if hidden, hidden if shown.
    void lyricsToggled();

protected:
    void showEvent(QShowEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    QWidget *buildPlayback(double inset);
    QWidget *buildConnection(double inset);
    void retry();
    void refresh();
    void refreshArtwork();
    void refreshLyricsButton();
    void refreshSetup();

    PlayerController &m_controller;
    bool m_lyricsShown = false;
    const QColor m_accent;
    QImage m_background;

    QStackedLayout *m_pages = nullptr;
    ArtworkButton *m_artwork = nullptr;
    PlayerSymbolButton *m_lyricsButton = nullptr;
    QLabel *m_title = nullptr;
    QLabel *m_artist = nullptr;
    QWidget *m_transport = nullptr;
    PlayerSymbolButton *m_playPause = nullptr;
    VolumeStrip *m_volume = nullptr;
    QLabel *m_elapsed = nullptr;
    Scrubber *m_scrubber = nullptr;
    QLabel *m_duration = nullptr;

    QLabel *m_connectionTitle = nullptr;
    QLabel *m_message = nullptr;
    QWidget *m_waiting = nullptr;
    QPushButton *m_action = nullptr;
    QPushButton *m_retry = nullptr;
    QPushButton *m_setup = nullptr;
    QPointer<QMessageBox> m_setupAlert;
};
