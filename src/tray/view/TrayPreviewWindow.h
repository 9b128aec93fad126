#pragma once

#include "tray/TrayPreviewLoader.h"

#include <QDialog>

#include <optional>

class QLabel;
class QPlainTextEdit;
class QStackedWidget;

/// The preview: a window of its own that previews one tray file (a picture,
/// the start of a text, a document's first page, or the file's icon, name,
/// kind and size). "Done", Escape and Space close it.
class TrayPreviewWindow final : public QDialog
{
    Q_OBJECT

public:
    explicit TrayPreviewWindow(QWidget *parent = nullptr);

    /// Shows the window for `path`; a shown window switches to it.
    void showFile(const QString &path);
    /// The window is on screen: an interaction with the crest is going on.
    bool isOpen() const { return isVisible(); }
    /// The preview on show; none while it is being read.
    const std::optional<TrayPreview> &preview() const { return m_preview; }

signals:
    /// The window was closed, whichever way.
    void closed();

private:
    void present(TrayPreview preview);

    TrayPreviewLoader m_loader;
    QLabel *m_name;
    QStackedWidget *m_pages;
    QLabel *m_picture;
    QPlainTextEdit *m_text;
    QLabel *m_icon = nullptr;
    QLabel *m_details = nullptr;
    std::optional<TrayPreview> m_preview;
    QString m_path;
    quint64 m_generation = 0;
};
