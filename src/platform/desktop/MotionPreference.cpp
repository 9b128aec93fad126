#include "platform/desktop/MotionPreference.h"

#include <QProcess>
#include <QSettings>
#include <QStandardPaths>
#include <QTimer>

MotionPreference::MotionPreference(QObject *parent) : QObject(parent) {}

MotionPreference::~MotionPreference()
{
    if (m_gsettings) {
        m_gsettings->disconnect(this);
        m_gsettings->kill();
        m_gsettings->waitForFinished(500);
    }
}

bool MotionPreference::gnomeValueReducesMotion(const QByteArray &gsettingsOutput)
{
    return gsettingsOutput.trimmed() == "false";
}

bool MotionPreference::kdeFileReducesMotion(const QString &kdeglobalsPath)
{
    QSettings settings(kdeglobalsPath, QSettings::IniFormat);
    bool ok = false;
    const double factor =
        settings.value(QStringLiteral("KDE/AnimationDurationFactor")).toDouble(&ok);
    return ok && factor <= 0;
}

void MotionPreference::setReduceMotion(bool value)
{
    if (m_reduceMotion == value)
        return;
    m_reduceMotion = value;
    emit reduceMotionChanged();
}

void MotionPreference::refresh()
{
    const QString kdeglobals =
        QStandardPaths::locate(QStandardPaths::GenericConfigLocation, QStringLiteral("kdeglobals"));
    m_kdeReduces = !kdeglobals.isEmpty() && kdeFileReducesMotion(kdeglobals);
    setReduceMotion(m_kdeReduces);

    const QString gsettings = QStandardPaths::findExecutable(QStringLiteral("gsettings"));
    if (gsettings.isEmpty() || m_gsettings)
        return;
    m_gsettings = new QProcess(this);
    m_gsettings->setProcessChannelMode(QProcess::SeparateChannels);
    connect(m_gsettings, &QProcess::finished, this,
            [this](int exitCode, QProcess::ExitStatus status) {
                const QByteArray output = m_gsettings->readAllStandardOutput().left(64);
                m_gsettings->deleteLater();
                m_gsettings = nullptr;
                const bool gnomeReduces = status == QProcess::NormalExit && exitCode == 0 &&
                                          gnomeValueReducesMotion(output);
                setReduceMotion(m_kdeReduces || gnomeReduces);
            });
    connect(m_gsettings, &QProcess::errorOccurred, this, [this](QProcess::ProcessError error) {
        if (error == QProcess::FailedToStart && m_gsettings) {
            m_gsettings->deleteLater();
            m_gsettings = nullptr;
        }
    });
    // A settings daemon that never answers must not keep the old value forever.
    QTimer::singleShot(2000, m_gsettings, &QProcess::kill);
    m_gsettings->start(gsettings,
                       {QStringLiteral("get"), QStringLiteral("org.gnome.desktop.interface"),
                        QStringLiteral("enable-animations")});
}
