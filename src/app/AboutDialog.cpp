#include "app/AboutDialog.h"

#include "ui/CrestAlertDialog.h"

#include <QMessageBox>

using namespace Qt::StringLiterals;

AboutDialog::~AboutDialog()
{
    delete m_alert;
}

void AboutDialog::show(const QString &text)
{
    if (!m_alert) {
        m_alert = new QMessageBox;
        m_alert->setAttribute(Qt::WA_DeleteOnClose);
        CrestAlertDialog::prepare(*m_alert, u"Velloway"_s, text);
        m_alert->addButton(u"Done"_s, QMessageBox::AcceptRole);
    }
    CrestAlertDialog::bringToFront(*m_alert);
}

QMessageBox *AboutDialog::alert() const
{
    return m_alert;
}
