#pragma once

#include "crest/CrestSurface.h"

#include <QUuid>

class CrestPressButton;
class NotesStore;
class QLabel;
class QMenu;
class QMessageBox;
class QPlainTextEdit;
class QToolButton;

/// The notes area of the expanded crest: the selected note in a plain-text
/// editor, a menu to switch or delete notes, a new-note button and a warning
/// line while saving fails. Everything it shows comes from the store; every
/// keystroke goes straight to it.
class NotesView : public CrestSurface
{
    Q_OBJECT

public:
    explicit NotesView(NotesStore &store, QWidget *parent = nullptr);

    /// The notes menu as it stands; rebuilt whenever the store changes.
    QMenu *notesMenu() const { return m_menu; }
    /// The confirmation shown while a deletion is pending; none otherwise.
    QMessageBox *confirmation() const { return m_confirmation; }
    /// Places the update button in the header, before the notes menu.
    void setUpdateButton(QWidget *button);

protected:
    void hideEvent(QHideEvent *event) override;

private:
    void refresh();
    void rebuildMenu();
    void showEditor();
    void deleteSelected();
    void followPendingDeletion();
    void answerConfirmation(bool confirmed);

    NotesStore &m_store;
    QToolButton *m_menuButton;
    QMenu *m_menu;
    CrestPressButton *m_newNote;
    QPlainTextEdit *m_editor;
    CrestPressButton *m_writeNote;
    QLabel *m_warningIcon;
    QLabel *m_warning;
    QWidget *m_warningLine;
    QMessageBox *m_confirmation = nullptr;
    /// The note the editor holds; its edits go to this id.
    QUuid m_editedID;
};
