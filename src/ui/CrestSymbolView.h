#pragma once

#include <QColor>
#include <QWidget>

/// One symbol of `SymbolIcons`, `points` large in `color`, drawn for the
/// screen the widget is on (sharp at any device pixel ratio).
class CrestSymbolView final : public QWidget
{
public:
    CrestSymbolView(const QString &symbol, int points, const QColor &color,
                    QWidget *parent = nullptr);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    const QString m_symbol;
    const QColor m_color;
};
