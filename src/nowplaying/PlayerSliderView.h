#pragma once

#include <QColor>
#include <QUuid>
#include <QWidget>

#include <optional>

/// A thin custom slider of the now-playing card: a 3-point track, a filled
/// part and a round knob, with the pointer and accessibility behaviour both
/// the volume slider and the scrubber share. Subclasses say what the value
/// is and what the user's gestures do.
class PlayerSliderView : public QWidget
{
public:
    /// The fill colour; the crest passes its accent.
    void setAccent(const QColor &accent);
    bool isHovered() const { return m_hovered; }

    /// The value for assistive technology, 0...100.
    virtual double accessibleValue() const = 0;
    /// Assistive technology set a value.
    virtual void setAccessibleValue(double value) = 0;
    /// Assistive technology's increment (+1) or decrement (-1).
    virtual void step(int direction) = 0;
    /// The slider takes input.
    virtual bool isAvailable() const = 0;

    /// Where `x` lies on a track inset `inset` points on both sides of a
    /// `width`-point view; none when the view is too narrow for a track.
    /// Not limited to 0...1: the controller limits it.
    static std::optional<double> fraction(double x, double width, double inset);

    /// Ends a drag in progress: as a release (`commit`) or as an abandon.
    void endDrag(bool commit);

protected:
    /// A drag begins: the controller's session, or none to ignore the press.
    virtual std::optional<QUuid> beginDrag() = 0;
    /// The pointer is at `fraction` of the track during `session`.
    virtual void moveDrag(double fraction, const QUuid &session) = 0;
    /// `session` ended, released (`commit`) or abandoned.
    virtual void finishDrag(const QUuid &session, bool commit) = 0;
    bool isDraggingNow() const { return m_session.has_value(); }

    /// `inset`: the track's margin on both sides; `trackOpacity`: the
    /// white of its unfilled part.
    PlayerSliderView(double inset, double trackOpacity, QWidget *parent);

    /// Redraws and tells the cursor, tool tip and assistive technology.
    void refresh(const QString &toolTip);
    /// Paints the track, `filled` (0...1) of it at `fillOpacity`, and a knob
    /// of `knob` points across (none: no knob).
    void paintSlider(double filled, double fillOpacity, std::optional<double> knob);

    void keyPressEvent(QKeyEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void hideEvent(QHideEvent *event) override;
    void enterEvent(QEnterEvent *event) override;
    void leaveEvent(QEvent *event) override;

    QColor m_accent;

private:
    void apply(const QPointF &position);

    const double m_inset;
    const double m_trackOpacity;
    bool m_hovered = false;
    std::optional<QUuid> m_session;
};
