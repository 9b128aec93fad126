#pragma once

#include "core/CancelHandle.h"
#include "core/Clock.h"

#include <QList>
#include <QMetaObject>
#include <QWidget>

#include <optional>

class FloatingLyricsViewLayout;
class FloatingLyricsViewPainter;
class LyricsController;
class LyricsOptionsMenu;
class LyricsPresentation;

/// The floating lyrics card: the song and three small controls on top, the
/// current lyric line between its neighbours (or the plain lyrics, or a
/// word on the lookup) in the middle, and a footer crediting the lyrics
/// service. It decides what the card says; where things go, how it is drawn
/// and its options menu are parts of their own. It owns nothing; it
/// observes the presentation, the lyrics controller and the bound player,
/// and writes back only through their operations.
class FloatingLyricsView final : public QWidget
{
    Q_OBJECT

public:
    /// The synchronised lines are redrawn at most this often, and only
    /// while the song plays.
    static constexpr Seconds kTick{0.2};
    static constexpr QSize kSize{390, 218};

    explicit FloatingLyricsView(LyricsPresentation &presentation, QWidget *parent = nullptr);
    ~FloatingLyricsView() override;

protected:
    void paintEvent(QPaintEvent *event) override;
    void enterEvent(QEnterEvent *event) override;
    void leaveEvent(QEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void followPlayer();
    void refreshHeader();
    void refreshControls();
    void refreshBody();
    void refreshLines();
    void refreshFooter();
    void refreshTimeline();
    void reportFrames();
    bool hasLines() const;

    LyricsPresentation &m_presentation;
    LyricsController &m_lyrics;
    FloatingLyricsViewLayout *m_layout;
    FloatingLyricsViewPainter *m_painter;
    LyricsOptionsMenu *m_menu;
    QList<QMetaObject::Connection> m_playerSubscriptions;
    CancelHandle m_timeline;
    std::optional<std::optional<qsizetype>> m_shownIndex; // none: nothing drawn yet
};
