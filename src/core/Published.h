#pragma once

#include <QObject>

#include <utility>

/// Sets an observable object's field and emits its change signal, but only
/// when the value really changes, so observers never see a change that is
/// none. Returns whether it changed.
template <typename Object, typename T, typename U, typename Signal>
bool publish(Object *object, T &field, U &&value, Signal changed)
{
    if (field == value)
        return false;
    field = std::forward<U>(value);
    emit(object->*changed)();
    return true;
}
