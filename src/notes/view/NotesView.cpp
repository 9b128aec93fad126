#include "notes/view/NotesView.h"

#include "notes/NotesStore.h"
#include "ui/CrestPressButton.h"
#include "ui/CrestStyle.h"
#include "ui/CrestSymbolView.h"
#include "ui/CrestTypography.h"
#include "ui/SymbolIcons.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

using CrestStyle::css;
using CrestStyle::warning;
using CrestStyle::white;

// A header symbol in white at `opacity` on a faint rounded field.
CrestPressButton *headerButton(const QString &symbol, double opacity, double fillOpacity,
                               QSize size, const QString &help, const QString &name,
                               QWidget *parent)
{
    auto *button = new CrestPressButton(parent);
    button->setSymbol(symbol);
    button->setIconPoints(11);
    button->setForeground(white(opacity));
    button->setFill(white(fillOpacity), 8);
    button->setFixedSize(size);
    button->setLabel(help, name);
    return button;
}

} // namespace

NotesView::NotesView(NotesStore &store, QWidget *parent)
    : CrestSurface(18.0, parent), m_store(store)
{
    build(CrestStyle::accent);
}

NotesView::NotesView(NotesStore &store, const QColor &accent, QWidget *parent)
    : CrestSurface(18.0, parent), m_store(store)
{
    build(accent);
}

void NotesView::addToHeader(QWidget *widget)
{
    m_header->insertWidget(m_header->indexOf(m_menuButton), widget);
}

void NotesView::build(const QColor &accent)
{
    m_menu = new CrestMenu(this);
    m_menuButton =
        headerButton(QStringLiteral("square.stack"), 0.6, 0.035, QSize(42, 26),
                     QStringLiteral("Switch or delete notes"), QStringLiteral("Saved notes"), this);
    connect(m_menuButton, &QAbstractButton::clicked, this, [this] {
        m_menu->popup(m_menuButton->mapToGlobal(QPoint(0, m_menuButton->height())));
    });

    auto *newNote = headerButton(QStringLiteral("plus"), 0.65, 0.04, QSize(26, 26),
                                 QStringLiteral("New note"), QStringLiteral("New note"), this);
    connect(newNote, &QAbstractButton::clicked, this, [this] {
        m_store.addNote();
        focusEditor();
    });

    m_header = new QHBoxLayout;
    m_header->setSpacing(8);
    m_header->setContentsMargins(9, 9, 9, 0);
    m_header->addStretch();
    m_header->addWidget(m_menuButton);
    m_header->addWidget(newNote);

    // Plain text only: no rich paste, no spelling help, no chrome of its own.
    m_editor = new QPlainTextEdit(this);
    m_editor->setFont(CrestTypography::font(12));
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
    editorPalette.setColor(QPalette::Highlight, CrestStyle::withOpacity(accent, 0.35));
    editorPalette.setColor(QPalette::HighlightedText, Qt::white);
    m_editor->setPalette(editorPalette);
    m_editor->viewport()->setAutoFillBackground(false);
    m_editor->installEventFilter(this);
    m_editor->viewport()->installEventFilter(this);
    connect(m_editor, &QPlainTextEdit::textChanged, this, [this] {
        if (!m_editedID.isNull())
            m_store.updateContent(m_editor->toPlainText(), m_editedID);
    });

    m_writeNote = new CrestPressButton(this);
    m_writeNote->setSymbol(QStringLiteral("square.and.pencil"));
    m_writeNote->setIconPoints(12);
    m_writeNote->setText(QStringLiteral("Write a note"));
    m_writeNote->setFont(CrestTypography::font(12));
    m_writeNote->setForeground(accent);
    connect(m_writeNote, &QAbstractButton::clicked, this, [this] {
        m_store.addNote();
        focusEditor();
    });

    auto *editorArea = new QVBoxLayout;
    editorArea->setContentsMargins(10, 6, 10, 12);
    editorArea->addWidget(m_editor);
    editorArea->addWidget(m_writeNote, 0, Qt::AlignCenter);

    m_warningLine = new QWidget(this);
    m_warning = new QLabel(m_warningLine);
    m_warning->setObjectName(QStringLiteral("warning"));
    m_warning->setFont(CrestTypography::font(9));
    m_warning->setWordWrap(true);
    m_warning->setStyleSheet(QStringLiteral("color: %1;").arg(css(warning)));
    auto *warningLayout = new QHBoxLayout(m_warningLine);
    warningLayout->setContentsMargins(14, 0, 14, 8);
    warningLayout->setSpacing(4);
    warningLayout->addWidget(
        new CrestSymbolView(QStringLiteral("exclamationmark.circle"), 9, warning, m_warningLine), 0,
        Qt::AlignTop);
    warningLayout->addWidget(m_warning, 1);

    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(3);
    column->addLayout(m_header);
    column->addLayout(editorArea, 1);
    column->addWidget(m_warningLine);

    // Each change redoes only what it touches: with thousands of notes, a
    // keystroke must not rebuild the menu.
    connect(&m_store, &NotesStore::notesChanged, this, &NotesView::rebuildMenu);
    connect(&m_store, &NotesStore::noteChanged, this, &NotesView::showNote);
    connect(&m_store, &NotesStore::selectedNoteIDChanged, this, &NotesView::showSelection);
    connect(&m_store, &NotesStore::saveStatusChanged, this, &NotesView::showWarning);
    connect(&m_store, &NotesStore::hasSaveErrorChanged, this, &NotesView::showWarning);
    connect(&m_store, &NotesStore::pendingDeletionIDChanged, this,
            &NotesView::followPendingDeletion);
    rebuildMenu();
    showWarning();
    followPendingDeletion();
}

void NotesView::showWarning()
{
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
    m_menuItems.clear();
    for (const CrestNote &note : m_store.notes()) {
        QAction *item = m_menu->addItem(note.title());
        item->setCheckable(true);
        connect(item, &QAction::triggered, this, [this, id = note.id] { m_store.select(id); });
        m_menuItems.insert(note.id, item);
    }
    if (m_store.notes().isEmpty())
        m_menu->addAction(QStringLiteral("No saved notes"))->setEnabled(false);
    m_deleteSeparator = m_menu->addSeparator();
    // The symbol takes the menu's text colour.
    const QPixmap trash =
        SymbolIcons::tinted(u"trash", QSizeF(16, 16), Qt::white, devicePixelRatioF());
    m_deleteItem = m_menu->addAction(QIcon(trash), QStringLiteral("Delete note"));
    connect(m_deleteItem, &QAction::triggered, this, &NotesView::deleteSelected);
    showSelection();
}

void NotesView::showNote(QUuid id)
{
    if (QAction *item = m_menuItems.value(id)) {
        const auto note = std::find_if(m_store.notes().cbegin(), m_store.notes().cend(),
                                       [&](const CrestNote &each) { return each.id == id; });
        if (note != m_store.notes().cend())
            item->setText(CrestMenu::literal(note->title()));
    }
    if (id == m_editedID)
        showEditor();
}

void NotesView::showSelection()
{
    const auto selected = m_store.selectedNoteID();
    for (auto it = m_menuItems.cbegin(); it != m_menuItems.cend(); ++it)
        it.value()->setChecked(selected == it.key());
    const bool hasSelection = m_store.selectedNote().has_value();
    m_deleteSeparator->setVisible(hasSelection);
    m_deleteItem->setVisible(hasSelection);
    showEditor();
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

void NotesView::focusEditor()
{
    if (!m_store.selectedNote())
        m_store.addNote();
    if (!m_editor->hasFocus())
        m_editor->moveCursor(QTextCursor::End); // ready to go on writing
    m_editor->setFocus(Qt::OtherFocusReason);
    emit wantsKeyboard();
}

bool NotesView::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_editor && event->type() == QEvent::KeyPress) {
        const auto *key = static_cast<QKeyEvent *>(event);
        // Tab types a tab into a note; Ctrl+Tab is the way out of it.
        if ((key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab) &&
            key->modifiers().testFlag(Qt::ControlModifier)) {
            focusNextPrevChild(key->key() == Qt::Key_Tab &&
                               !key->modifiers().testFlag(Qt::ShiftModifier));
            return true;
        }
        emit typed();
    } else if (watched == m_editor->viewport() && event->type() == QEvent::MouseButtonPress) {
        emit wantsKeyboard();
    }
    return CrestSurface::eventFilter(watched, event);
}

void NotesView::hideEvent(QHideEvent *event)
{
    // Leaving the notes area must not leave an edit waiting for the save delay.
    m_store.flush();
    CrestSurface::hideEvent(event);
}
