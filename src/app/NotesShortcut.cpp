#include "app/NotesShortcut.h"

#include "platform/shortcuts/DesktopGlobalShortcut.h"
#include "platform/storage/Settings.h"

#include <cstdio>

using namespace Qt::StringLiterals;

NotesShortcut::NotesShortcut(QObject *parent) : QObject(parent) {}

NotesShortcut::~NotesShortcut() = default;

void NotesShortcut::start(const Settings &settings)
{
    const QVariant setting = settings.value(QStringLiteral("crest.shortcut"));
    const QString name =
        setting.isValid() ? setting.toString().trimmed() : QString::fromLatin1(kDefault);
    if (name.isEmpty() || name.compare(u"none"_s, Qt::CaseInsensitive) == 0)
        return;
    const QKeySequence trigger = QKeySequence::fromString(name, QKeySequence::PortableText);
    if (trigger.count() != 1 || trigger[0].key() == Qt::Key_unknown) {
        report(name, u"it is not a key combination"_s);
        return;
    }
    m_shortcut = std::make_unique<DesktopGlobalShortcut>();
    connect(m_shortcut.get(), &GlobalShortcut::activated, this, &NotesShortcut::activated);
    connect(m_shortcut.get(), &GlobalShortcut::failed, this,
            [this, name](const QString &reason) { report(name, reason); });
    m_shortcut->start(trigger);
}

void NotesShortcut::report(const QString &name, const QString &reason)
{
    // Hover still opens the crest; the person learns why the key does not.
    m_notice = u"The shortcut "_s + name + u" does not open Velloway: "_s + reason +
               u". Set another as crest.shortcut in Velloway.conf."_s;
    std::fprintf(stderr, "%s\n", qPrintable(m_notice));
}
