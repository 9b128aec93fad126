#pragma once

#include <QTest>

#include <optional>

/// Starts an asynchronous operation with a completion and waits, serving
/// the main thread's events, until the completion has run; returns what it
/// was given.
template <typename Result, typename Start> Result awaitCompletion(Start &&start)
{
    std::optional<Result> result;
    start([&result](Result value) { result.emplace(std::move(value)); });
    if (!QTest::qWaitFor([&result] { return result.has_value(); }, 20'000))
        qFatal("the completion never ran");
    return std::move(*result);
}
