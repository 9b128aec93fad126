#pragma once

#include "tray/TrayItem.h"

#include <QPoint>
#include <QWidget>

class CrestPressButton;
class QIcon;
class QLabel;
class QMenu;
class QMimeData;

/// One tray entry: the file's icon, its name shortened in the middle, the
/// folder holding it (or why it is unavailable), and preview and remove
/// buttons. Double-click opens it; dragging offers the file's URL.
class TrayRowView : public QWidget
{
    Q_OBJECT

public:
    explicit TrayRowView(const TrayItem &item, QWidget *parent = nullptr);

    const TrayItem &item() const { return m_item; }
    /// The icon of the file's type, from the crest's icon theme.
    static QIcon fileIcon(const QString &path);
    /// What a drag out of the row carries: the file's URL only.
    QMimeData *dragData() const;
    /// The row's context menu, owned by the caller.
    QMenu *makeContextMenu(QWidget *parent);

signals:
    void openRequested();
    void previewRequested();
    void revealRequested();
    void removeRequested();

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;

private:
    void elideName();

    TrayItem m_item;
    QString m_name;
    QLabel *m_nameLabel;
    CrestPressButton *m_preview;
    QPoint m_pressPoint;
};
