#pragma once

#include <QString>

/// What About & Privacy says: what the program keeps and sends where, how
/// the crest opens, and the version.
class AboutText final
{
public:
    struct Facts
    {
        /// The host the floating lyrics ask.
        QString lyricsHost;
        bool updatesConfigured = false;
        /// Empty when unknown.
        QString version;
        /// Why the global shortcut does not work; empty while it works.
        QString shortcutNotice;
    };

    static QString compose(const Facts &facts);
};
