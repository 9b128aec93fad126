#pragma once

/// What checks for, downloads and installs new versions. The program ships
/// without one: updates are installed by hand.
class CrestUpdateDriver
{
public:
    virtual ~CrestUpdateDriver() = default;

    /// A check may be started now.
    virtual bool canCheckForUpdates() const = 0;
    /// Periodic background checks.
    virtual bool automaticallyChecksForUpdates() const = 0;
    virtual void setAutomaticallyChecksForUpdates(bool value) = 0;
    /// Prepares the driver; called once. False when it could not start.
    [[nodiscard]] virtual bool startUpdater() = 0;
    /// Starts a user-initiated check and whatever it presents.
    virtual void checkForUpdates() = 0;
};
