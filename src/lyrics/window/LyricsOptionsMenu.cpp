#include "lyrics/window/LyricsOptionsMenu.h"

#include "lyrics/LyricsController.h"
#include "lyrics/window/LyricsPresentation.h"
#include "players/model/PlayerController.h"

using namespace Qt::StringLiterals;

LyricsOptionsMenu::LyricsOptionsMenu(LyricsPresentation &presentation, QWidget *parent)
    : CrestMenu(parent), m_presentation(presentation)
{
    connect(this, &QMenu::aboutToShow, this, &LyricsOptionsMenu::fill);
}

void LyricsOptionsMenu::fill()
{
    clear();
    addAction(u"Opacity"_s)->setEnabled(false);
    const std::pair<QString, double> levels[] = {
        {u"Subtle · 60%"_s, 0.6}, {u"Balanced · 80%"_s, 0.8}, {u"Solid · 100%"_s, 1.0}};
    for (const auto &[title, opacity] : levels) {
        connect(addAction(title), &QAction::triggered, this,
                [this, opacity] { m_presentation.lyrics().setOpacity(opacity); });
    }
    addSeparator();
    QAction *open = addItem(u"Open in "_s + m_presentation.playerName());
    open->setEnabled(m_presentation.player().currentTrack().has_value());
    connect(open, &QAction::triggered, this,
            [this] { m_presentation.player().openCurrentTrack(); });
    connect(addAction(u"Reload lyrics"_s), &QAction::triggered, this,
            [this] { m_presentation.reload(); });
}
