#pragma once

#include <QObject>
#include <QPointer>

#include <memory>

class AppUpdateController;
class CrestPanel;
class FileTrayStore;
class MenuTracker;
class MusicController;
class NotesStore;
class SheetTracker;

/// Knows whether the person is busy with something the crest stays open for
/// (a preview or picker, a deletion to confirm, a scrub or volume drag, a
/// menu, a sheet or an alert) and says when such a thing ends. Main thread
/// only.
class InteractionWatch final : public QObject
{
    Q_OBJECT

public:
    struct Sources
    {
        FileTrayStore &tray;
        NotesStore &notes;
        MusicController &music;
        AppUpdateController &updates;
        CrestPanel &panel;
    };

    explicit InteractionWatch(const Sources &sources, QObject *parent = nullptr);
    ~InteractionWatch() override;

    /// Starts watching the program's menus and the panel's sheets.
    void start();

    bool isActive() const;
    bool isMenuTracking() const { return m_isMenuTracking; }

signals:
    /// Something that held the crest open has ended.
    void ended();

private:
    void followActivePlayer();
    bool hasAttachedSheet() const;

    Sources m_sources;
    QPointer<CrestPanel> m_panel;
    std::unique_ptr<MenuTracker> m_menus;
    std::unique_ptr<SheetTracker> m_sheets;
    bool m_isMenuTracking = false;
    QMetaObject::Connection m_scrubSubscription;
    QMetaObject::Connection m_volumeSubscription;
};
