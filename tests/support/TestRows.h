#pragma once

#include <QTest>

#include <tuple>

/// Declares the current `_data()` table's columns in one line:
/// `columns<QString, bool>("path", "readable")`.
template <typename... Types, typename... Names> void columns(const Names &...names)
{
    static_assert(sizeof...(Types) == sizeof...(Names), "one name per column");
    (QTest::addColumn<Types>(names), ...);
}

/// Adds a row to the current `_data()` table: the same as
/// `QTest::newRow(name) << values...`, but reads as one line per case.
template <typename... Values> void row(const char *name, const Values &...values)
{
    (QTest::newRow(name) << ... << values);
}

/// The current row's values of the named columns, as QFETCH reads them:
/// `auto [path, readable] = fetch<QString, bool>("path", "readable");`.
template <typename... Types, typename... Names> std::tuple<Types...> fetch(const Names &...names)
{
    static_assert(sizeof...(Types) == sizeof...(Names), "one name per column");
    return {*static_cast<Types *>(QTest::qData(names, qMetaTypeId<Types>()))...};
}
