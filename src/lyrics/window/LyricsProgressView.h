#pragma once

#include <QWidget>

class QVariantAnimation;

/// A small indeterminate progress ring. It turns only while it is shown, so
/// a hidden one costs no timer.
class LyricsProgressView final : public QWidget
{
public:
    explicit LyricsProgressView(QWidget *parent = nullptr);

protected:
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    QVariantAnimation *m_turn;
};
