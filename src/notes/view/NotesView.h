#pragma once

#include "ui/CrestMenu.h"
#include "ui/CrestSurface.h"

#include <QColor>
#include <QHash>
#include <QUuid>

class CrestPressButton;
class NotesStore;
class QAction;
class QHBoxLayout;
class QLabel;
class QMessageBox;
class QPlainTextEdit;

/// The notes area of the expanded crest: the selected note in a plain-text
/// editor, a menu to switch or delete notes, a new-note button and a warning
/// line while saving fails. Everything it shows comes from the store; every
/// keystroke goes straight to it.
class NotesView : public CrestSurface
{
    Q_OBJECT

public:
    explicit NotesView(NotesStore &store, QWidget *parent = nullptr);
    /// `accent` marks the note button and the editor's caret and selection.
    NotesView(NotesStore &store, const QColor &accent, QWidget *parent = nullptr);

    /// Puts `widget` in the header before the notes buttons (the crest puts
    /// its update button there); the view owns it from then on.
    void addToHeader(QWidget *widget);

    /// The notes menu as it stands: rebuilt when the list changes, and only
    /// the edited note's entry updated on a keystroke.
    QMenu *notesMenu() const { return m_menu; }
    /// The confirmation shown while a deletion is pending; none otherwise.
    QMessageBox *confirmation() const { return m_confirmation; }

    /// Puts the cursor in the selected note's editor, making a note when
    /// there is none, and asks for the keyboard.
    void focusEditor();

signals:
    /// A key went down in the editor.
    void typed();
    /// A person clicked into the editor or made a note: typing must reach it.
    void wantsKeyboard();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    void build(const QColor &accent);
    void rebuildMenu();
    void showNote(QUuid id);
    void showSelection();
    void showWarning();
    void showEditor();
    void deleteSelected();
    void followPendingDeletion();
    void answerConfirmation(bool confirmed);

    NotesStore &m_store;
    CrestPressButton *m_menuButton = nullptr;
    QHBoxLayout *m_header = nullptr;
    CrestMenu *m_menu = nullptr;
    QHash<QUuid, QAction *> m_menuItems;
    QAction *m_deleteSeparator = nullptr;
    QAction *m_deleteItem = nullptr;
    QPlainTextEdit *m_editor = nullptr;
    CrestPressButton *m_writeNote = nullptr;
    QLabel *m_warning = nullptr;
    QWidget *m_warningLine = nullptr;
    QMessageBox *m_confirmation = nullptr;
    /// The note the editor holds; its edits go to this id.
    QUuid m_editedID;
};
