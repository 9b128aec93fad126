#pragma once

#include <QObject>

class QProcess;

/// The desktop's reduce-motion setting: GNOME's `enable-animations` turned
/// off, or KDE's animation speed set to instant. Off when unknown. Read in
/// the background so that start-up never waits for the settings daemon.
class MotionPreference final : public QObject
{
    Q_OBJECT

public:
    explicit MotionPreference(QObject *parent = nullptr);
    ~MotionPreference() override;

    bool reduceMotion() const { return m_reduceMotion; }

    /// Reads the settings again.
    void refresh();

    /// Pure readers of the two desktops' formats, exposed for tests.
    static bool gnomeValueReducesMotion(const QByteArray &gsettingsOutput);
    static bool kdeFileReducesMotion(const QString &kdeglobalsPath);

signals:
    void reduceMotionChanged();

private:
    void setReduceMotion(bool value);

    bool m_reduceMotion = false;
    bool m_kdeReduces = false;
    QProcess *m_gsettings = nullptr;
};
