#pragma once

#include <QTest>

/// Adds a row to the current `_data()` table: the same as
/// `QTest::newRow(name) << values...`, but reads as one line per case.
template <typename... Values> void row(const char *name, const Values &...values)
{
    (QTest::newRow(name) << ... << values);
}
