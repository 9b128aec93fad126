#include "core/CancelHandle.h"

#include <utility>

CancelHandle::CancelHandle(std::function<void()> cancel) : m_cancel(std::move(cancel)) {}

CancelHandle::CancelHandle(CancelHandle &&other) noexcept
    : m_cancel(std::exchange(other.m_cancel, {}))
{}

CancelHandle &CancelHandle::operator=(CancelHandle &&other) noexcept
{
    if (this != &other) {
        cancel();
        m_cancel = std::exchange(other.m_cancel, {});
    }
    return *this;
}

CancelHandle::~CancelHandle()
{
    cancel();
}

void CancelHandle::cancel()
{
    if (auto cancel = std::exchange(m_cancel, {}))
        cancel();
}

void CancelHandle::release()
{
    m_cancel = {};
}
