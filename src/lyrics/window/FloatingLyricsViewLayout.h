#pragma once

#include <QList>
#include <QObject>
#include <QPoint>
#include <QRectF>

class CrestPressButton;
class LyricsController;
class LyricsDragHandle;
class LyricsMouseToggle;
class QColor;
class QLabel;
class QPixmap;
class QStackedWidget;
class QWidget;

/// Where everything on the floating lyrics card goes: the song and three
/// small controls on top, one page of the middle (a word on the lookup,
/// the lines, the plain lyrics) and the footer, over which invisible strips
/// move the panel. It builds these on the card and keeps texts fitting as
/// sizes change; what they say is the card's to decide.
class FloatingLyricsViewLayout final : public QObject
{
    Q_OBJECT

public:
    /// Builds the card's content and drag strips on `card`, which owns them.
    FloatingLyricsViewLayout(LyricsController &lyrics, QWidget *card);

    /// The content fills the card again after it changed size.
    void fillCard();
    /// The drag strips cover the card's top except the header buttons at
    /// `controls`.
    void placeDragHandles(const QRectF &controls);
    void setContentVisible(bool visible);

    void setSong(const QString &title, const QString &detail);
    void setCover(const QPixmap &cover);
    void setControlsColor(const QColor &color);

    /// A word on the lookup; `detail` only when not empty.
    void showMessage(const QString &title, const QString &detail, bool offersRetry);
    void showLoading();
    void showLines();
    /// The line sung now between its neighbours, as `showLines` shows them.
    void setLines(const QString &previous, const QString &current, const QString &next);
    void showPlain(const QString &lyrics);
    void showNothing();
    QWidget *linesPage() const { return m_linesPage; }

    void setMode(const QString &mode);
    void setHint(bool shown, const QColor &color);

    /// Where the header buttons and the click-through button are, in the
    /// card's coordinates.
    QRectF controlsFrame() const;
    QRectF mouseToggleFrame() const;
    /// Where a menu of the options button opens, on the desktop.
    QPoint optionsMenuOrigin() const;

signals:
    void optionsClicked();
    void closeClicked();
    void retryClicked();
    /// The header buttons moved or changed size.
    void controlsMoved();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QWidget *buildHeader(LyricsController &lyrics);
    QWidget *buildBody();
    QWidget *buildMessagePage();
    QWidget *buildLinesPage();
    QWidget *buildFooter();
    void fitCurrentLine();

    QWidget *m_card;
    QWidget *m_content = nullptr;
    QLabel *m_cover = nullptr;
    QLabel *m_songTitle = nullptr;
    QLabel *m_songDetail = nullptr;
    QWidget *m_controls = nullptr;
    LyricsMouseToggle *m_toggle = nullptr;
    CrestPressButton *m_options = nullptr;
    CrestPressButton *m_close = nullptr;

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

    QLabel *m_mode = nullptr;
    QLabel *m_hint = nullptr;
    QList<LyricsDragHandle *> m_dragHandles;
};
