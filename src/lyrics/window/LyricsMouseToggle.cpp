#include "lyrics/window/LyricsMouseToggle.h"

#include "lyrics/LyricsController.h"
#include "lyrics/window/LyricsGlyphs.h"
#include "ui/CrestStyle.h"

namespace {

constexpr QSize kFrame(23, 24);
constexpr int kSymbolPoints = 10;
constexpr double kCornerRadius = 6;

} // namespace

LyricsMouseToggle::LyricsMouseToggle(LyricsController &lyrics, QWidget *parent)
    : CrestPressButton(parent), m_lyrics(lyrics)
{
    setFixedSize(kFrame);
    setIconPoints(kSymbolPoints);
    connect(this, &QAbstractButton::clicked, this,
            [this] { m_lyrics.setClickThrough(!m_lyrics.clickThrough()); });
    connect(&lyrics, &LyricsController::clickThroughChanged, this, &LyricsMouseToggle::refresh);
    refresh();
}

void LyricsMouseToggle::refresh()
{
    using LyricsGlyphs::Glyph;
    const bool through = m_lyrics.clickThrough();
    setIcon(LyricsGlyphs::icon(through ? Glyph::cursorArrowSlash : Glyph::cursorArrow,
                               through ? CrestStyle::accent : CrestStyle::white(0.65),
                               kSymbolPoints));
    setFill(through ? CrestStyle::withOpacity(CrestStyle::accent, 0.12) : QColor(Qt::transparent),
            kCornerRadius);
    setToolTip(through ? QStringLiteral("Enable mouse interaction")
                       : QStringLiteral("Disable mouse interaction; keep this button clickable"));
    setAccessibleName(through ? QStringLiteral("Enable mouse interaction")
                              : QStringLiteral("Disable mouse interaction"));
}
