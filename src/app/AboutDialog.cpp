#include "app/AboutDialog.h"

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
        // While it is open the program has a modal window, which keeps the
        // crest from being dismissed underneath it.
        m_alert->setWindowModality(Qt::ApplicationModal);
        m_alert->setWindowTitle(u"Velloway"_s);
        m_alert->setText(u"Velloway"_s);
        m_alert->setInformativeText(text);
        m_alert->addButton(u"Done"_s, QMessageBox::AcceptRole);
    }
    m_alert->show();
    m_alert->raise();
    m_alert->activateWindow();
}

QMessageBox *AboutDialog::alert() const
{
    return m_alert;
}
