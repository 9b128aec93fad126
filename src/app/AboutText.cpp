#include "app/AboutText.h"

using namespace Qt::StringLiterals;

QString AboutText::compose(const Facts &facts)
{
    const QString text =
        u"Your notes and file references stay in this computer’s Velloway data folder. "
        u"Removing tray items never deletes the originals.\n\n"
        u"Spotify is read and controlled over the local session bus. "
        u"YouTube Music and Apple Music are read through Velloway’s browser extension, "
        u"which sees only their tabs (music.youtube.com and music.apple.com), after you "
        u"connect them; no other page content is read. "
        u"Pear uses its API Server on 127.0.0.1:26538, with its token in your keyring. "
        u"Spotify covers are downloaded from Spotify’s image host i.scdn.co; YouTube covers "
        u"use approved Google/YouTube image hosts (googleusercontent.com, ggpht.com, "
        u"i.ytimg.com). "
        u"Apple Music covers come from Apple’s artwork servers (mzstatic.com), through the "
        u"web player. "
        u"While floating lyrics are open, song title, artist, album and duration are sent "
        u"to "_s +
        facts.lyricsHost +
        u". These requests use no account, cookies, analytics or disk cache. "
        u"The service receives your IP address. Hide lyrics to stop lookups."_s +
        // A configured build would name its updater here; no update driver
        // exists on this system, so such a build says nothing about updates.
        (facts.updatesConfigured ? QString()
                                 : u"\n\nThis local build has no active update connection."_s) +
        u"\n\nHover over the notch to open. Move away to collapse. Escape closes it.\n\n"
        u"Version "_s +
        (facts.version.isEmpty() ? u"Unknown"_s : facts.version);
    return facts.shortcutNotice.isEmpty() ? text : text + u"\n\n"_s + facts.shortcutNotice;
}
