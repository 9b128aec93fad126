#include "ui/CrestAlertDialog.h"

#include <QMessageBox>

void CrestAlertDialog::prepare(QMessageBox &box, const QString &title, const QString &message)
{
    // While it is open the program has a modal window, which keeps the crest
    // from being dismissed underneath it.
    box.setWindowModality(Qt::ApplicationModal);
    box.setWindowTitle(title);
    box.setText(title);
    box.setInformativeText(message);
}

void CrestAlertDialog::bringToFront(QMessageBox &box)
{
    box.show();
    box.raise();
    box.activateWindow();
}
