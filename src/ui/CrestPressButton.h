#pragma once

#include <QAbstractButton>
#include <QColor>
#include <QPixmap>

class QVariantAnimation;

/// A crest button: its label dims and dips about the centre while pressed
/// (see `CrestPressStyle`), and the whole frame takes the press. The label
/// is an optional rounded fill, a symbol of the crest's table (or an icon)
/// and a title; subclasses that draw their own label override `paintLabel`.
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
    /// The symbol's (or icon's) edge length in points.
    void setIconPoints(int points);
    /// A symbol of `SymbolIcons`, drawn instead of the icon.
    void setSymbol(const QString &name);
    const QString &symbol() const { return m_symbol; }
    /// The colour of the symbol and the title; white unless set.
    void setForeground(const QColor &color);
    /// The help text and the accessible name at once.
    void setLabel(const QString &help, const QString &accessibleName);

    /// The label's opacity and scale as painted now (mid-animation included).
    double paintedOpacity() const;
    double paintedScale() const;

    QSize sizeHint() const override;

protected:
    /// Draws the label in the widget's coordinates; the painter already
    /// dims and dips it for the press.
    virtual void paintLabel(QPainter &painter);
    /// The symbol (or icon) and title side by side, in points.
    int contentWidth() const;

    void paintEvent(QPaintEvent *event) override;
    void changeEvent(QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    void followPress();
    const QPixmap &symbolPixmap();

    QVariantAnimation *m_animation;
    double m_pressProgress = 0.0;
    bool m_reduceMotion = false;
    QColor m_fill = Qt::transparent;
    double m_fillRadius = 0.0;
    QString m_symbol;
    QColor m_foreground = Qt::white;
    // The tinted symbol for the current colour, size and pixel ratio.
    QPixmap m_symbolPixmap;
};
