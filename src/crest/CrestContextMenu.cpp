#include "crest/CrestContextMenu.h"

#include "lyrics/LyricsController.h"
#include "music/MusicController.h"
#include "updates/AppUpdateController.h"

#include <QCoreApplication>
#include <QIcon>
#include <QPointer>

using namespace Qt::StringLiterals;

CrestContextMenu::CrestContextMenu(Stores stores, Hooks hooks, QWidget *parent)
    : CrestMenu(parent), m_music(stores.music), m_lyrics(stores.lyrics), m_updates(stores.updates),
      m_hooks(std::move(hooks))
{
    connect(addItem(u"Add Files…"_s), &QAction::triggered, this,
            &CrestContextMenu::addFilesRequested);
    addSeparator();
    addMusicItems();
    addSeparator();
    addLyricsItems();
    addSeparator();
    addUpdateItems();
    addSeparator();
    connect(addItem(u"About & Privacy…"_s), &QAction::triggered, this, [this] {
        if (m_hooks.showAbout)
            m_hooks.showAbout();
    });
    addSeparator();
    connect(addItem(u"Quit Velloway"_s), &QAction::triggered, this,
            [] { QCoreApplication::quit(); });
}

void CrestContextMenu::addMusicItems()
{
    PlayerController &active = m_music.active();
    CrestMenu *connections = addSubmenu(u"Music Connections"_s);
    for (MusicSource source : m_music.availableSources()) {
        connect(connections->addItem(source.displayName() + u"…"_s), &QAction::triggered, this,
                [this, source] { m_music.showConnectionSetup(source); });
    }
    // With more than one player running, a person picks the one shown.
    const QList<PlayerController *> running = m_music.runningPlayers();
    if (running.size() > 1) {
        CrestMenu *players = addSubmenu(u"Show Player"_s);
        for (PlayerController *player : running) {
            QAction *item = players->addItem(player->displayName());
            // A player's desktop entry names its icon in the theme.
            if (const QString icon = m_music.iconName(*player); !icon.isEmpty())
                item->setIcon(QIcon::fromTheme(icon));
            item->setCheckable(true);
            item->setChecked(player == &active);
            connect(item, &QAction::triggered, this, [this, guarded = QPointer(player)] {
                if (guarded)
                    m_music.pick(*guarded);
            });
        }
    }
    if (active.currentTrack() && active.source() != MusicSource::mpris) {
        connect(addItem(u"Open in "_s + active.source().browserName()), &QAction::triggered, this,
                [this] { m_music.active().openCurrentTrack(); });
    }
}

void CrestContextMenu::addLyricsItems()
{
    QAction *floating = addItem(u"Floating lyrics"_s);
    floating->setCheckable(true);
    floating->setChecked(m_lyrics.isVisible());
    connect(floating, &QAction::toggled, this, [this](bool on) { m_lyrics.setVisible(on); });
    if (!m_lyrics.isVisible())
        return;
    QAction *clickThrough = addItem(u"Click-through lyrics"_s);
    clickThrough->setCheckable(true);
    clickThrough->setChecked(m_lyrics.clickThrough());
    connect(clickThrough, &QAction::toggled, this,
            [this](bool on) { m_lyrics.setClickThrough(on); });
    QAction *interactive = addItem(u"Make lyrics interactive"_s);
    connect(interactive, &QAction::triggered, this, [this] { m_lyrics.setClickThrough(false); });
    interactive->setEnabled(m_lyrics.clickThrough());
}

void CrestContextMenu::addUpdateItems()
{
    const bool configured = m_updates.isConfigured();
    QAction *check = addItem(configured ? u"Check for Updates…"_s : u"How to Update…"_s);
    connect(check, &QAction::triggered, this, [this] { m_updates.checkForUpdates(); });
    check->setEnabled(!configured || m_updates.canCheck());
    if (configured) {
        QAction *automatic = addItem(u"Check for updates automatically"_s);
        automatic->setCheckable(true);
        automatic->setChecked(m_updates.automaticChecks());
        connect(automatic, &QAction::toggled, this, [this](bool on) {
            m_updates.setAutomaticChecks(on);
            m_updates.refreshSettings();
        });
    }
    if (m_hooks.isOpenAtLogin && m_hooks.setOpenAtLogin) {
        QAction *login = addItem(u"Open at login"_s);
        login->setCheckable(true);
        login->setChecked(m_hooks.isOpenAtLogin());
        connect(login, &QAction::toggled, this, [this](bool on) { m_hooks.setOpenAtLogin(on); });
    }
}
