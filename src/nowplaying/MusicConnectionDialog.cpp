#include "nowplaying/MusicConnectionDialog.h"

#include "ui/CrestAlertDialog.h"

#include <QMessageBox>
#include <QPushButton>

MusicConnectionChoice MusicConnectionDialog::present(const MusicConnectionPrompt &prompt)
{
    QMessageBox box;
    CrestAlertDialog::prepare(box, prompt.title, prompt.informativeText);
    QPushButton *connect = box.addButton(prompt.connectButton, QMessageBox::AcceptRole);
    QPushButton *open = box.addButton(prompt.openButton, QMessageBox::ActionRole);
    box.addButton(QStringLiteral("Done"), QMessageBox::RejectRole);
    connect->setEnabled(prompt.isConnectEnabled);
    box.setDefaultButton(prompt.isConnectEnabled ? connect : open);
    CrestAlertDialog::bringToFront(box);
    box.exec();
    if (box.clickedButton() == connect)
        return MusicConnectionChoice::connect;
    if (box.clickedButton() == open)
        return MusicConnectionChoice::open;
    return MusicConnectionChoice::done;
}
