#pragma once

#include <QString>

class QMessageBox;

/// The program's alerts: application-modal, headed by their title, and
/// brought to the front even while another program has the focus.
namespace CrestAlertDialog {

/// Makes `box` modal, with `title` as its window title and heading and
/// `message` beneath.
void prepare(QMessageBox &box, const QString &title, const QString &message);
/// Shows `box` in front of every other window.
void bringToFront(QMessageBox &box);

} // namespace CrestAlertDialog
