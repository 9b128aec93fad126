#pragma once

#include <QPointer>
#include <QString>

class QMessageBox;

/// The About & Privacy alert: one at a time, gone when closed.
class AboutDialog final
{
public:
    AboutDialog() = default;
    ~AboutDialog();
    AboutDialog(const AboutDialog &) = delete;
    AboutDialog &operator=(const AboutDialog &) = delete;

    /// Shows and raises the alert, saying `text` when it opens.
    void show(const QString &text);
    /// The alert while it is shown.
    QMessageBox *alert() const;

private:
    QPointer<QMessageBox> m_alert;
};
