#include "platform/desktop/AutostartLoginItem.h"

#include "platform/storage/FileStorage.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {

using namespace Qt::StringLiterals;

// Our entry is a few hundred bytes; a larger file is not ours to parse.
constexpr qint64 kMaxEntryBytes = 65'536;

// Characters that make an Exec argument need quotes (the freedesktop.org
// desktop entry rules for the Exec key).
constexpr QStringView kReserved = u" \t\n\"'\\><~|&;$*?#()`";

// The program as one Exec argument. Inside quotes `"`, `` ` ``, `$` and `\`
// are escaped; `%` starts a field code anywhere and is doubled. The value as
// a whole is a string value, whose own escape for `\` is applied last.
QString execArgument(const QString &program)
{
    QString argument = program;
    argument.replace(u'%', u"%%"_s);
    if (std::any_of(program.begin(), program.end(),
                    [](QChar c) { return kReserved.contains(c); })) {
        QString quoted;
        for (QChar c : std::as_const(argument)) {
            if (c == u'"' || c == u'`' || c == u'$' || c == u'\\')
                quoted += u'\\';
            quoted += c;
        }
        argument = u'"' + quoted + u'"';
    }
    return argument.replace(u'\\', u"\\\\"_s);
}

} // namespace

AutostartLoginItem::AutostartLoginItem(FileStorage &storage, QString program)
    : m_storage(storage),
      m_program(program.isEmpty() ? QCoreApplication::applicationFilePath() : std::move(program))
{}

QString AutostartLoginItem::entryPath()
{
    QString base = qEnvironmentVariable("XDG_CONFIG_HOME");
    // The base-directory rules say a relative value is invalid and ignored.
    if (base.isEmpty() || !QDir::isAbsolutePath(base))
        base = QDir::homePath() + u"/.config"_s;
    return QDir::cleanPath(base + u"/autostart/velloway.desktop"_s);
}

std::optional<QByteArray> AutostartLoginItem::entry(const QString &program)
{
    const bool control = std::any_of(program.begin(), program.end(),
                                     [](QChar c) { return c.category() == QChar::Other_Control; });
    if (!QDir::isAbsolutePath(program) || control)
        return std::nullopt;
    return QStringLiteral("[Desktop Entry]\n"
                          "Type=Application\n"
                          "Name=Velloway\n"
                          "Comment=Files, notes and the playing song in a panel at the top of "
                          "the screen\n"
                          "Exec=%1\n"
                          "Icon=velloway\n"
                          "Terminal=false\n"
                          "X-GNOME-Autostart-enabled=true\n")
        .arg(execArgument(program))
        .toUtf8();
}

bool AutostartLoginItem::isEnabled() const
{
    const auto bytes = m_storage.readAll(entryPath(), kMaxEntryBytes);
    if (!bytes)
        return false;
    for (const QByteArray &line : bytes->split('\n')) {
        const QByteArray setting = line.trimmed();
        if (setting == "Hidden=true" || setting == "X-GNOME-Autostart-enabled=false")
            return false;
    }
    return true;
}

bool AutostartLoginItem::setEnabled(bool enabled)
{
    const QString path = entryPath();
    if (!enabled)
        return !QFileInfo::exists(path) || QFile::remove(path);
    const auto bytes = entry(m_program);
    return bytes && m_storage.createFolder(QFileInfo(path).path()) &&
           m_storage.writeAtomically(path, *bytes);
}
