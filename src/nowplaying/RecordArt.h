#pragma once

#include <QColor>
#include <QWidget>

class QPainter;

/// The drawn vinyl record that stands in for missing artwork.
class RecordArt final : public QWidget
{
public:
    /// `active`: the record stands for a live player; its label brightens.
    RecordArt(const QColor &accent, bool active, QWidget *parent = nullptr);

    /// Draws the record in the largest square centred in `bounds`.
    static void paint(QPainter &painter, const QRectF &bounds, const QColor &accent, bool active);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    const QColor m_accent;
    const bool m_active;
};
