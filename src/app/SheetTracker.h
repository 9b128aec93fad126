#pragma once

#include <QObject>
#include <QPointer>

class QWidget;

/// Notices when a sheet of one window closes: a dialog that belongs to it,
/// such as a note's delete confirmation or a player's setup help.
class SheetTracker final : public QObject
{
    Q_OBJECT

public:
    explicit SheetTracker(QWidget &window, QObject *parent = nullptr);

    void start();

signals:
    void sheetEnded();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QPointer<QWidget> m_window;
};
