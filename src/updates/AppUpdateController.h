#pragma once

#include "updates/CrestUpdateDriver.h"

#include <QObject>
#include <QString>

#include <functional>
#include <memory>
#include <optional>

/// The program's view of software updates. Without a driver (as shipped) it
/// tells the user how to update by hand. Main thread only.
class AppUpdateController final : public QObject
{
    Q_OBJECT
    Q_PROPERTY(std::optional<QString> availableVersion READ availableVersion NOTIFY
                   availableVersionChanged)
    Q_PROPERTY(bool canCheck READ canCheck NOTIFY canCheckChanged)
    Q_PROPERTY(bool automaticChecks READ automaticChecks NOTIFY automaticChecksChanged)
    Q_PROPERTY(std::optional<QString> setupMessage READ setupMessage NOTIFY setupMessageChanged)

public:
    static const QString kStartFailedMessage;
    static const QString kManualUpdateMessage;

    explicit AppUpdateController(std::unique_ptr<CrestUpdateDriver> driver = nullptr,
                                 QObject *parent = nullptr);
    ~AppUpdateController() override;

    /// The version of an update that can be installed.
    const std::optional<QString> &availableVersion() const { return m_availableVersion; }
    bool canCheck() const { return m_canCheck; }
    bool automaticChecks() const { return m_automaticChecks; }
    /// Shown in the crest's update alert while present.
    const std::optional<QString> &setupMessage() const { return m_setupMessage; }
    bool isConfigured() const { return m_isConfigured; }

    /// Called right before a user-initiated check is handed to the driver.
    std::function<void()> willPresentUpdate;
    /// For a driver about to install an update; nothing here calls it.
    std::function<void()> willInstallUpdate;

    /// Starts the driver once.
    void start();
    /// Re-reads the driver's two settings.
    void refreshSettings();
    void checkForUpdates();
    /// Writes the automatic-check setting to a started driver.
    void setAutomaticChecks(bool value);
    /// Set by a driver that found an update.
    void setAvailableVersion(const std::optional<QString> &version);
    /// The alert showing the message was closed.
    void clearSetupMessage();

signals:
    void availableVersionChanged();
    void canCheckChanged();
    void automaticChecksChanged();
    void setupMessageChanged();

private:
    bool hasStartedDriver() const { return m_driver && m_isConfigured; }

    const std::unique_ptr<CrestUpdateDriver> m_driver;
    std::optional<QString> m_availableVersion;
    bool m_canCheck = false;
    bool m_automaticChecks = false;
    std::optional<QString> m_setupMessage;
    bool m_isConfigured = false;
};
