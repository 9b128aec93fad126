#pragma once

#include <QPoint>
#include <QWidget>

#include <optional>

/// An invisible strip that moves its window while the pointer drags it.
/// It never clamps: the window goes where the pointer takes it, and does
/// nothing while the window lets clicks pass through.
class LyricsDragHandle final : public QWidget
{
    Q_OBJECT

public:
    explicit LyricsDragHandle(QWidget *parent = nullptr);

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    bool windowTakesPointer() const;

    std::optional<QPoint> m_startOrigin;
    std::optional<QPoint> m_startPointer;
};
