#include "nowplaying/MusicConnectionDialog.h"

#include <QMessageBox>
#include <QPushButton>

MusicConnectionChoice MusicConnectionDialog::present(const MusicConnectionPrompt &prompt)
{
    QMessageBox box;
    box.setWindowModality(Qt::ApplicationModal);
    box.setWindowTitle(prompt.title);
    box.setText(prompt.title);
    box.setInformativeText(prompt.informativeText);
    QPushButton *connect = box.addButton(prompt.connectButton, QMessageBox::AcceptRole);
    QPushButton *open = box.addButton(prompt.openButton, QMessageBox::ActionRole);
    box.addButton(QStringLiteral("Done"), QMessageBox::RejectRole);
    connect->setEnabled(prompt.isConnectEnabled);
    box.setDefaultButton(prompt.isConnectEnabled ? connect : open);
    // Come to the front even though another program has the focus.
    box.show();
    box.raise();
    box.activateWindow();
    box.exec();
    if (box.clickedButton() == connect)
        return MusicConnectionChoice::connect;
    if (box.clickedButton() == open)
        return MusicConnectionChoice::open;
    return MusicConnectionChoice::done;
}
