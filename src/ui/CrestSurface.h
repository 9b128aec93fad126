#pragma once

#include <QWidget>

class QPainter;

/// A raised dark card: a rounded rectangle filled with a faint white
/// gradient and edged with a hairline. Area views derive from it and keep
/// their content inside the padding they set, so the edge stays visible.
class CrestSurface : public QWidget
{
public:
    explicit CrestSurface(double radius, QWidget *parent = nullptr);

    double radius() const { return m_radius; }

    /// Paints the card into `rect` (background and edge).
    static void paint(QPainter &painter, const QRectF &rect, double radius);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    double m_radius;
};
