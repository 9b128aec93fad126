#include "updates/AppUpdateController.h"

#include "core/Published.h"
#include "updates/CrestUpdateDriver.h"

const QString AppUpdateController::kStartFailedMessage = QStringLiteral(
    "The updater couldn\u2019t start. Please contact the developer for a new build.");
const QString AppUpdateController::kManualUpdateMessage = QStringLiteral(
    "Updates are installed by hand for now: get the latest version from where you got "
    "Velloway, build or install it again as its README says, then restart Velloway. Your notes "
    "and file tray are kept. This build has no active update connection.");

AppUpdateController::AppUpdateController(std::unique_ptr<CrestUpdateDriver> driver, QObject *parent)
    : QObject(parent), m_driver(std::move(driver))
{}

AppUpdateController::~AppUpdateController() = default;

void AppUpdateController::start()
{
    if (!m_driver || m_isConfigured)
        return;
    if (!m_driver->startUpdater()) {
        publish(this, m_setupMessage, kStartFailedMessage,
                &AppUpdateController::setupMessageChanged);
        return;
    }
    m_isConfigured = true;
    publish(this, m_setupMessage, std::nullopt, &AppUpdateController::setupMessageChanged);
    refreshSettings();
}

void AppUpdateController::refreshSettings()
{
    const bool started = hasStartedDriver();
    publish(this, m_canCheck, started && m_driver->canCheckForUpdates(),
            &AppUpdateController::canCheckChanged);
    publish(this, m_automaticChecks, started && m_driver->automaticallyChecksForUpdates(),
            &AppUpdateController::automaticChecksChanged);
}

void AppUpdateController::checkForUpdates()
{
    if (!hasStartedDriver()) {
        publish(this, m_setupMessage, kManualUpdateMessage,
                &AppUpdateController::setupMessageChanged);
        return;
    }
    if (!m_canCheck)
        return;
    if (willPresentUpdate)
        willPresentUpdate();
    m_driver->checkForUpdates();
}

void AppUpdateController::setAutomaticChecks(bool value)
{
    if (hasStartedDriver())
        m_driver->setAutomaticallyChecksForUpdates(value);
    refreshSettings();
}

void AppUpdateController::setAvailableVersion(const std::optional<QString> &version)
{
    publish(this, m_availableVersion, version, &AppUpdateController::availableVersionChanged);
}

void AppUpdateController::clearSetupMessage()
{
    publish(this, m_setupMessage, std::nullopt, &AppUpdateController::setupMessageChanged);
}
