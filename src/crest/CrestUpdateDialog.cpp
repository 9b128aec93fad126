#include "crest/CrestUpdateDialog.h"

#include "ui/CrestAlertDialog.h"
#include "updates/AppUpdateController.h"

#include <QMessageBox>

using namespace Qt::StringLiterals;

CrestUpdateDialog::CrestUpdateDialog(AppUpdateController &updates, QWidget *parent)
    : m_updates(updates), m_parent(parent)
{
    connect(&m_updates, &AppUpdateController::setupMessageChanged, this,
            &CrestUpdateDialog::followMessage);
    followMessage();
}

CrestUpdateDialog::~CrestUpdateDialog()
{
    delete m_alert;
}

QMessageBox *CrestUpdateDialog::alert() const
{
    return m_alert;
}

void CrestUpdateDialog::followMessage()
{
    const auto &message = m_updates.setupMessage();
    if (!message) {
        if (m_alert)
            m_alert->close();
        return;
    }
    if (m_alert) {
        m_alert->setInformativeText(*message);
        return;
    }
    m_alert = new QMessageBox(m_parent);
    m_alert->setAttribute(Qt::WA_DeleteOnClose);
    CrestAlertDialog::prepare(*m_alert, u"Velloway Updates"_s, *message);
    m_alert->addButton(u"OK"_s, QMessageBox::RejectRole);
    // However it closes, the message has been seen.
    connect(m_alert, &QDialog::finished, this, [this] { m_updates.clearSetupMessage(); });
    CrestAlertDialog::bringToFront(*m_alert);
}
