#include "crest/CrestPalette.h"

#include "ui/CrestStyle.h"

QPalette CrestPalette::dark()
{
    QPalette palette;
    palette.setColor(QPalette::Window, Qt::black);
    palette.setColor(QPalette::Base, QColor(28, 28, 30));
    palette.setColor(QPalette::AlternateBase, QColor(38, 38, 40));
    palette.setColor(QPalette::Button, QColor(44, 44, 46));
    for (auto role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText,
                      QPalette::BrightText, QPalette::ToolTipText})
        palette.setColor(role, Qt::white);
    palette.setColor(QPalette::ToolTipBase, QColor(28, 28, 30));
    palette.setColor(QPalette::PlaceholderText, CrestStyle::tertiary);
    palette.setColor(QPalette::Disabled, QPalette::Text, CrestStyle::tertiary);
    palette.setColor(QPalette::Disabled, QPalette::WindowText, CrestStyle::tertiary);
    palette.setColor(QPalette::Disabled, QPalette::ButtonText, CrestStyle::tertiary);
    palette.setColor(QPalette::Highlight, CrestStyle::accent);
    palette.setColor(QPalette::HighlightedText, Qt::black);
    palette.setColor(QPalette::Link, CrestStyle::accent);
    return palette;
}
