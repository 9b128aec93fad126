#pragma once

#include "music/SpotifyConnectionPolicy.h"

#include <QColor>
#include <QImage>
#include <QPointer>
#include <QWidget>

class LyricsController;
class QLabel;
class QMessageBox;
class QPushButton;
class QStackedLayout;
class SpotifyArtworkButton;
class SpotifyController;
class SpotifyScrubber;
class SpotifySymbolButton;
class SpotifyVolumeStrip;

/// The music card of the expanded crest: the playing song with its cover,
/// transport, lyrics switch, volume and position, or, while the player is
/// not connected, what is missing and the one action that helps.
class SpotifyView final : public QWidget
{
public:
    /// `notchClearance`: the height of the menu-bar band the card's top
    /// text must clear.
    SpotifyView(SpotifyController &controller, LyricsController &lyrics, double notchClearance,
                const QColor &accent, QWidget *parent = nullptr);
    ~SpotifyView() override;

    /// Seconds as minutes and seconds ("0:00" for nothing to show).
    static QString time(double seconds);
    /// How far text under the notch is pushed down.
    static double textTopInset(double notchClearance);
    /// The connection layout's title for `state`.
    static QString connectionTitle(SpotifyConnectionState state, const QString &displayName,
                                   const QString &browserName);

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

    SpotifyController &m_controller;
    LyricsController &m_lyrics;
    const QColor m_accent;
    QImage m_background;

    QStackedLayout *m_pages = nullptr;
    SpotifyArtworkButton *m_artwork = nullptr;
    SpotifySymbolButton *m_lyricsButton = nullptr;
    QLabel *m_title = nullptr;
    QLabel *m_artist = nullptr;
    QWidget *m_transport = nullptr;
    SpotifySymbolButton *m_playPause = nullptr;
    SpotifyVolumeStrip *m_volume = nullptr;
    QLabel *m_elapsed = nullptr;
    SpotifyScrubber *m_scrubber = nullptr;
    QLabel *m_duration = nullptr;

    QLabel *m_connectionTitle = nullptr;
    QLabel *m_message = nullptr;
    QWidget *m_waiting = nullptr;
    QPushButton *m_action = nullptr;
    QPushButton *m_retry = nullptr;
    QPushButton *m_setup = nullptr;
    QPointer<QMessageBox> m_setupAlert;
};
