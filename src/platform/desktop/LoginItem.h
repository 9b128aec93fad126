#pragma once

/// Whether the program starts by itself when the user logs in.
class LoginItem
{
public:
    virtual ~LoginItem() = default;

    virtual bool isEnabled() const = 0;
    /// Turns starting at login on or off; false when that could not be done
    /// (the previous state then stays).
    virtual bool setEnabled(bool enabled) = 0;
};
