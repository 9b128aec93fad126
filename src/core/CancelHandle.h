#pragma once

#include <functional>
#include <memory>

/// Owns one scheduled callback. Destroying, replacing or resetting the handle
/// cancels the callback, so keeping the handle in a field is what makes a newer
/// request cancel the older one. Main thread only.
class CancelHandle
{
public:
    CancelHandle() = default;
    explicit CancelHandle(std::function<void()> cancel);
    CancelHandle(CancelHandle &&other) noexcept;
    CancelHandle &operator=(CancelHandle &&other) noexcept;
    CancelHandle(const CancelHandle &) = delete;
    CancelHandle &operator=(const CancelHandle &) = delete;
    ~CancelHandle();

    /// Cancels the callback (if still pending) and empties the handle.
    void cancel();

    /// Empties the handle without cancelling; used by a callback that is
    /// running and must not cancel itself.
    void release();

    bool isActive() const { return static_cast<bool>(m_cancel); }
    explicit operator bool() const { return isActive(); }

private:
    std::function<void()> m_cancel;
};
