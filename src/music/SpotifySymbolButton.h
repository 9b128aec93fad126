#pragma once

#include <QAbstractButton>
#include <QColor>

#include <optional>

class QPainter;

/// A borderless button that draws one symbol centred in its frame; the
/// whole frame takes clicks, and a press dims and dips it like every crest
/// button.
class SpotifySymbolButton final : public QAbstractButton
{
public:
    /// `pointSize`: the symbol's height; `frame`: the button's fixed size.
    SpotifySymbolButton(double pointSize, QSize frame, QWidget *parent = nullptr);

    const QString &symbol() const { return m_symbol; }
    void setSymbol(const QString &symbol);
    void setColor(const QColor &color);
    /// Draws the symbol on a lit disc fading from white into `accent`.
    void setDisc(const QColor &accent);
    /// The help text and the accessible name at once.
    void setLabel(const QString &help, const QString &accessibleName);

    /// Dims and dips what `painter` draws next for `button`'s enabled and
    /// pressed state, about the button's centre.
    static void applyPress(QPainter &painter, const QAbstractButton &button);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    const double m_pointSize;
    QString m_symbol;
    QColor m_color = Qt::white;
    std::optional<QColor> m_disc;
};
