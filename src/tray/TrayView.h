#pragma once

#include "crest/CrestSurface.h"

class FileTrayStore;
class QHBoxLayout;
class QLabel;
class QPushButton;
class QStackedWidget;
class QVBoxLayout;
class TrayRowView;
class Workspace;
struct TrayItem;

/// The tray area of the expanded crest: a header with the item count, the
/// drop zone or the list of entries, and the tray's status message. Files
/// are opened and shown in their folder through the desktop workspace.
class TrayView : public CrestSurface
{
    Q_OBJECT

public:
    TrayView(FileTrayStore &store, Workspace &workspace, QWidget *parent = nullptr);

    /// The rows as shown, in the order of the store's items.
    const QList<TrayRowView *> &rows() const { return m_rows; }

    void open(const TrayItem &item);
    void preview(const TrayItem &item);
    void reveal(const TrayItem &item);
    /// Places the update button in the header, before "Clear".
    void setUpdateButton(QWidget *button);

protected:
    void showEvent(QShowEvent *event) override;

private:
    void refresh();
    void rebuildRows();

    FileTrayStore &m_store;
    Workspace &m_workspace;
    QHBoxLayout *m_header;
    QLabel *m_count;
    QPushButton *m_clear;
    QStackedWidget *m_body;
    QWidget *m_dropZone;
    QWidget *m_list;
    QVBoxLayout *m_rowsLayout;
    QLabel *m_message;
    QList<TrayRowView *> m_rows;
};
