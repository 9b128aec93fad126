#include "tray/view/TrayFileDialog.h"

#include <QFileDialog>

void TrayFileDialog::pickFiles(QWidget *parent, std::function<void(QList<QUrl>)> chosen)
{
    auto *dialog = new QFileDialog(parent, QStringLiteral("Add Files"));
    dialog->setFileMode(QFileDialog::ExistingFiles);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    QObject::connect(
        dialog, &QDialog::finished, dialog, [dialog, chosen = std::move(chosen)](int result) {
            chosen(result == QDialog::Accepted ? dialog->selectedUrls() : QList<QUrl>());
        });
    // Window-modal, not blocking: the crest's event loop keeps running.
    dialog->open();
}
