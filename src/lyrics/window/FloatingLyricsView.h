#pragma once

#include "core/CancelHandle.h"
#include "core/Clock.h"

#include <QList>
#include <QMetaObject>
#include <QWidget>

#include <optional>

class CrestMenu;
class CrestPressButton;
class LyricsController;
class LyricsDragHandle;
class LyricsMouseToggle;
class LyricsPresentation;
class QLabel;
class QStackedWidget;
class QVariantAnimation;

/// The floating lyrics card: the song and three small controls on top, the
/// current lyric line between its neighbours (or the plain lyrics, or a
/// word on the lookup) in the middle, and a footer crediting the lyrics
/// service. It owns nothing; it observes the window controller, the lyrics
/// controller and the bound player, and writes back only through their
/// operations.
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
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QWidget *buildHeader();
    QWidget *buildBody();
    QWidget *buildFooter();
    QWidget *buildMessagePage();
    QWidget *buildLinesPage();
    void followPlayer();
    void fillMenu();

    void refreshHeader();
    void refreshControls();
    void refreshBody();
    void refreshLines();
    void refreshFooter();
    void refreshTimeline();
    void fitCurrentLine();
    void reportFrames();
    void layoutDragHandles();
    bool hasLines() const;

    LyricsPresentation &m_presentation;
    LyricsController &m_lyrics;
    QList<QMetaObject::Connection> m_playerSubscriptions;
    CancelHandle m_timeline;
    std::optional<std::optional<qsizetype>> m_shownIndex; // none: nothing drawn yet

    QWidget *m_content = nullptr;
    QLabel *m_cover = nullptr;
    QLabel *m_songTitle = nullptr;
    QLabel *m_songDetail = nullptr;
    QWidget *m_controls = nullptr;
    LyricsMouseToggle *m_toggle = nullptr;
    CrestPressButton *m_options = nullptr;
    CrestPressButton *m_close = nullptr;
    CrestMenu *m_menu = nullptr;

    QStackedWidget *m_body = nullptr;
    QWidget *m_messagePage = nullptr;
    QLabel *m_messageTitle = nullptr;
    QLabel *m_messageDetail = nullptr;
    CrestPressButton *m_retry = nullptr;
    QWidget *m_loadingPage = nullptr;
    QWidget *m_linesPage = nullptr;
    QLabel *m_previous = nullptr;
    QLabel *m_current = nullptr;
    QLabel *m_next = nullptr;
    QWidget *m_plainPage = nullptr;
    QLabel *m_plain = nullptr;
    QWidget *m_emptyPage = nullptr;
    QVariantAnimation *m_lineFade = nullptr;

    QLabel *m_mode = nullptr;
    QLabel *m_hint = nullptr;
    QList<LyricsDragHandle *> m_dragHandles;
};
