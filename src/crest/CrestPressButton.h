#pragma once

#include <QAbstractButton>

class QVariantAnimation;

/// A crest button: its icon and title dim and dip about the centre while
/// pressed (see `CrestPressStyle`), and the whole frame takes the press.
/// An optional rounded fill sits behind the label.
class CrestPressButton : public QAbstractButton
{
    Q_OBJECT

public:
    explicit CrestPressButton(QWidget *parent = nullptr);

    /// Under reduced motion the button only dims, at once.
    void setReduceMotion(bool value) { m_reduceMotion = value; }
    /// A rounded rectangle of `radius` in `color` behind the label; none
    /// when the colour is transparent.
    void setFill(const QColor &color, double radius);
    /// The icon's edge length in points.
    void setIconPoints(int points);

    /// The label's opacity and scale as painted now (mid-animation included).
    double paintedOpacity() const;
    double paintedScale() const;

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    void followPress();

    QVariantAnimation *m_animation;
    double m_pressProgress = 0.0;
    bool m_reduceMotion = false;
    QColor m_fill = Qt::transparent;
    double m_fillRadius = 0.0;
};
