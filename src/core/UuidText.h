#pragma once

#include <QString>
#include <QUuid>

#include <optional>

/// UUIDs as the stored files spell them: the canonical 36-character form.
namespace UuidText {

/// Upper-case canonical form, e.g. "E621E1F8-C36C-495A-93FC-0C247A3E6E5F".
QString format(const QUuid &id);

/// Parses exactly the canonical 36-character form, in either case; no braces,
/// no surrounding space.
std::optional<QUuid> parse(QStringView text);

} // namespace UuidText
