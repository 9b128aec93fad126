#pragma once

class QAction;
class QWidget;

/// The program's own commands. There is no global menu bar to hang an
/// application menu on, so they live as shortcuts on the crest's window;
/// the text-editing commands come with the text widgets themselves.
class ApplicationMenu final
{
public:
    /// Adds the commands to `window`, which owns them.
    explicit ApplicationMenu(QWidget &window);

    /// Ctrl+Q, anywhere in the program.
    QAction *quit() const { return m_quit; }

private:
    QAction *m_quit;
};
