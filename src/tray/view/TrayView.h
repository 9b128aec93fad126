#pragma once

#include "ui/CrestSurface.h"

#include <QPointer>

class FileTrayStore;
class QHBoxLayout;
class QLabel;
class QPushButton;
class QStackedWidget;
class QVBoxLayout;
class TrayPreviewWindow;
class TrayRowView;
class Workspace;
struct TrayItem;

/// The tray area of the expanded crest: a header with the item count, the
/// drop zone or the list of entries, and the tray's status message. Files
/// are opened and shown in their folder through the desktop workspace, and
/// previewed in a preview window while the store has a preview item.
class TrayView : public CrestSurface
{
    Q_OBJECT

public:
    TrayView(FileTrayStore &store, Workspace &workspace, QWidget *parent = nullptr);
    ~TrayView() override;

    /// Puts `widget` in the header before the tray's buttons (the crest puts
    /// its update button there); the view owns it from then on.
    void addToHeader(QWidget *widget);

    /// The rows as shown, in the order of the store's items.
    const QList<TrayRowView *> &rows() const { return m_rows; }

    void open(const TrayItem &item);
    void preview(const TrayItem &item);
    void reveal(const TrayItem &item);

    /// The preview window is on screen (an interaction is going on).
    bool isPreviewOpen() const;
    /// The preview window; none before the first preview.
    TrayPreviewWindow *previewWindow() const { return m_previewWindow; }

signals:
    /// The preview window closed, whichever way; the store's preview
    /// item is cleared by then.
    void previewClosed();
    /// The user asked to choose files to add, without dragging.
    void addFilesRequested();

protected:
    void showEvent(QShowEvent *event) override;

private:
    void build();
    void refresh();
    void rebuildRows();
    void followPreviewItem();

    FileTrayStore &m_store;
    Workspace &m_workspace;
    QLabel *m_count = nullptr;
    QPushButton *m_clear = nullptr;
    QPushButton *m_addButton = nullptr;
    QHBoxLayout *m_header = nullptr;
    QStackedWidget *m_body = nullptr;
    QVBoxLayout *m_rowsLayout = nullptr;
    QWidget *m_list = nullptr;
    QLabel *m_message = nullptr;
    QList<TrayRowView *> m_rows;
    QPointer<TrayPreviewWindow> m_previewWindow;
};
