#pragma once

#include <QString>

#include <optional>

/// Where the program and the browsers' native host meet: a socket in a
/// folder of the runtime folder that only this user can enter.
namespace BrowserHostAddress {

/// The native host's name, as the browsers' host manifests know it.
inline constexpr char kHostName[] = "org.velloway.browser_host";

/// `<runtime folder>/Velloway`, created with permissions 0700 when `create`
/// and missing. None unless it is a real folder (not a link) owned by this
/// user and closed to everyone else.
std::optional<QString> folder(bool create);

/// The socket inside `folder(create)`.
std::optional<QString> socketPath(bool create);

/// A connection to the program listening on `socketPath(false)`: a
/// blocking, close-on-exec socket descriptor, or -1 when none listens.
int connectToProgram();

/// True when `path` is a real folder owned by this user with no permission
/// bits for group or others.
bool isPrivateFolder(const QString &path);

} // namespace BrowserHostAddress
