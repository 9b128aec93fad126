#include "notes/NotesView.h"

#include "crest/CrestStyle.h"

#include "crest/CrestPressButton.h"
#include "notes/NotesStore.h"

#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

using CrestStyle::css;
using CrestStyle::warning;
using CrestStyle::white;

QFont pointFont(int points, QFont::Weight weight = QFont::Normal)
{
    QFont font;
    font.setPointSizeF(points);
    font.setWeight(weight);
    return font;
}

} // namespace

NotesView::NotesView(NotesStore &store, QWidget *parent)
    : CrestSurface(18.0, parent), m_store(store), m_menuButton(new QToolButton(this)),
      m_menu(new QMenu(this)), m_newNote(new CrestPressButton(this)),
      m_editor(new QPlainTextEdit(this)), m_writeNote(new CrestPressButton(this)),
      m_warningIcon(new QLabel(this)), m_warning(new QLabel(this)), m_warningLine(new QWidget(this))
{
    m_menuButton->setMenu(m_menu);
    m_menuButton->setPopupMode(QToolButton::InstantPopup);
    m_menuButton->setIcon(QIcon::fromTheme(QStringLiteral("view-list-symbolic")));
    m_menuButton->setIconSize(QSize(11, 11));
    m_menuButton->setFixedSize(42, 26);
    m_menuButton->setToolTip(QStringLiteral("Switch or delete notes"));
    m_menuButton->setAccessibleName(QStringLiteral("Saved notes"));
    m_menuButton->setStyleSheet(
        QStringLiteral("QToolButton { border: none; border-radius: 8px; background: %1; }"
                       "QToolButton::menu-indicator { image: none; }")
            .arg(css(white(0.035))));

    m_newNote->setIcon(QIcon::fromTheme(QStringLiteral("list-add-symbolic")));
    m_newNote->setIconPoints(11);
    m_newNote->setFixedSize(26, 26);
    m_newNote->setFill(white(0.04), 8);
    m_newNote->setToolTip(QStringLiteral("New note"));
    m_newNote->setAccessibleName(QStringLiteral("New note"));
    connect(m_newNote, &QAbstractButton::clicked, this, [this] { m_store.addNote(); });

    auto *header = new QHBoxLayout;
    header->setSpacing(8);
    header->setContentsMargins(9, 9, 9, 0);
    header->addStretch();
    header->addWidget(m_menuButton);
    header->addWidget(m_newNote);

    // Plain text only: no rich paste, no spelling help, no chrome of its own.
    m_editor->setFont(pointFont(12));
    m_editor->setFrameShape(QFrame::NoFrame);
    m_editor->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_editor->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_editor->setInputMethodHints(Qt::ImhNoPredictiveText | Qt::ImhNoAutoUppercase);
    m_editor->setPlaceholderText(QStringLiteral("Write a note\u2026"));
    m_editor->setAccessibleName(QStringLiteral("Note content"));
    QPalette editorPalette = m_editor->palette();
    editorPalette.setColor(QPalette::Base, Qt::transparent);
    editorPalette.setColor(QPalette::Text, white(0.85));
    editorPalette.setColor(QPalette::PlaceholderText, white(0.28));
    m_editor->setPalette(editorPalette);
    m_editor->viewport()->setAutoFillBackground(false);
    connect(m_editor, &QPlainTextEdit::textChanged, this, [this] {
        if (!m_editedID.isNull())
            m_store.updateContent(m_editor->toPlainText(), m_editedID);
    });

    m_writeNote->setIcon(QIcon::fromTheme(QStringLiteral("document-edit-symbolic")));
    m_writeNote->setIconPoints(12);
    m_writeNote->setText(QStringLiteral("Write a note"));
    m_writeNote->setFont(pointFont(12));
    connect(m_writeNote, &QAbstractButton::clicked, this, [this] { m_store.addNote(); });

    auto *editorArea = new QVBoxLayout;
    editorArea->setContentsMargins(10, 6, 10, 12);
    editorArea->addWidget(m_editor);
    editorArea->addWidget(m_writeNote, 0, Qt::AlignCenter);

    m_warningIcon->setPixmap(
        QIcon::fromTheme(QStringLiteral("dialog-warning-symbolic")).pixmap(QSize(9, 9)));
    m_warning->setObjectName(QStringLiteral("warning"));
    m_warning->setFont(pointFont(9));
    m_warning->setWordWrap(true);
    m_warning->setStyleSheet(QStringLiteral("color: %1;").arg(css(warning)));
    auto *warningLayout = new QHBoxLayout(m_warningLine);
    warningLayout->setContentsMargins(14, 0, 14, 8);
    warningLayout->setSpacing(4);
    warningLayout->addWidget(m_warningIcon, 0, Qt::AlignTop);
    warningLayout->addWidget(m_warning, 1);

    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(3);
    column->addLayout(header);
    column->addLayout(editorArea, 1);
    column->addWidget(m_warningLine);

    connect(&m_store, &NotesStore::notesChanged, this, &NotesView::refresh);
    connect(&m_store, &NotesStore::selectedNoteIDChanged, this, &NotesView::refresh);
    connect(&m_store, &NotesStore::saveStatusChanged, this, &NotesView::refresh);
    connect(&m_store, &NotesStore::hasSaveErrorChanged, this, &NotesView::refresh);
    connect(&m_store, &NotesStore::pendingDeletionIDChanged, this,
            &NotesView::followPendingDeletion);
    refresh();
    followPendingDeletion();
}

void NotesView::setUpdateButton(QWidget *button)
{
    auto *header = static_cast<QBoxLayout *>(layout()->itemAt(0)->layout());
    header->insertWidget(header->indexOf(m_menuButton), button);
}

void NotesView::refresh()
{
    rebuildMenu();
    showEditor();
    m_warningLine->setVisible(m_store.hasSaveError());
    m_warning->setText(m_store.saveStatus().isEmpty() ? QStringLiteral("Couldn't save note")
                                                      : m_store.saveStatus());
}

void NotesView::rebuildMenu()
{
    // The action being triggered may be what brought us here: delete later.
    for (QAction *action : m_menu->actions()) {
        m_menu->removeAction(action);
        action->deleteLater();
    }
    const auto selected = m_store.selectedNoteID();
    for (const CrestNote &note : m_store.notes()) {
        QAction *item = m_menu->addAction(note.title());
        item->setCheckable(true);
        item->setChecked(selected == note.id);
        connect(item, &QAction::triggered, this, [this, id = note.id] { m_store.select(id); });
    }
    if (m_store.notes().isEmpty())
        m_menu->addAction(QStringLiteral("No saved notes"))->setEnabled(false);
    if (m_store.selectedNote()) {
        m_menu->addSeparator();
        QAction *remove = m_menu->addAction(QIcon::fromTheme(QStringLiteral("user-trash-symbolic")),
                                            QStringLiteral("Delete note"));
        connect(remove, &QAction::triggered, this, &NotesView::deleteSelected);
    }
}

// The editor belongs to one note: switching notes resets its text and undo
// history, and an update from the store for the same note leaves the cursor
// alone unless the text really differs.
void NotesView::showEditor()
{
    const auto note = m_store.selectedNote();
    m_editor->setVisible(note.has_value());
    m_writeNote->setVisible(!note.has_value());
    const QUuid id = note ? note->id : QUuid();
    if (id == m_editedID && (!note || m_editor->toPlainText() == note->content))
        return;
    m_editedID = QUuid();
    m_editor->setPlainText(note ? note->content : QString());
    m_editedID = id;
}

void NotesView::deleteSelected()
{
    const auto note = m_store.selectedNote();
    if (!note)
        return;
    if (note->content.trimmed().isEmpty())
        m_store.deleteNote(note->id);
    else
        m_store.setPendingDeletionID(note->id);
}

void NotesView::followPendingDeletion()
{
    const bool pending = m_store.pendingDeletionID().has_value();
    if (pending == (m_confirmation != nullptr))
        return;
    if (!pending) {
        std::exchange(m_confirmation, nullptr)->deleteLater();
        return;
    }
    m_confirmation = new QMessageBox(QMessageBox::Warning, QStringLiteral("Delete this note?"),
                                     QStringLiteral("This permanently removes the note."),
                                     QMessageBox::NoButton, this);
    m_confirmation->setInformativeText(m_confirmation->text());
    m_confirmation->setText(m_confirmation->windowTitle());
    QPushButton *confirm =
        m_confirmation->addButton(QStringLiteral("Delete"), QMessageBox::DestructiveRole);
    QPushButton *cancel =
        m_confirmation->addButton(QStringLiteral("Cancel"), QMessageBox::RejectRole);
    m_confirmation->setDefaultButton(cancel);
    m_confirmation->setEscapeButton(cancel);
    // Any way out of the dialog other than Delete keeps the note.
    connect(m_confirmation, &QMessageBox::finished, this, [this, confirm, box = m_confirmation] {
        if (box == m_confirmation)
            answerConfirmation(box->clickedButton() == confirm);
    });
    m_confirmation->open();
}

void NotesView::answerConfirmation(bool confirmed)
{
    if (const auto pending = m_store.pendingDeletionID(); confirmed && pending)
        m_store.deleteNote(*pending);
    m_store.setPendingDeletionID(std::nullopt);
}

void NotesView::hideEvent(QHideEvent *event)
{
    // Leaving the notes area must not leave an edit waiting for the save delay.
    m_store.flush();
    CrestSurface::hideEvent(event);
}
