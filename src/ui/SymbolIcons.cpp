#include "ui/SymbolIcons.h"

#include <QPainter>

#include <array>

namespace SymbolIcons {

namespace {

using namespace Qt::StringLiterals;

constexpr std::array kSymbols{
    Symbol{"play.fill", "media-playback-start-symbolic"},
    Symbol{"pause.fill", "media-playback-pause-symbolic"},
    Symbol{"backward.end.fill", "media-skip-backward-symbolic"},
    Symbol{"forward.end.fill", "media-skip-forward-symbolic"},
    Symbol{"speaker.slash.fill", "audio-volume-muted-symbolic"},
    Symbol{"speaker.wave.1.fill", "audio-volume-low-symbolic"},
    Symbol{"speaker.wave.2.fill", "audio-volume-medium-symbolic"},
    Symbol{"speaker.wave.3.fill", "audio-volume-high-symbolic"},
    Symbol{"quote.bubble", "media-view-subtitles-symbolic"},
    Symbol{"arrow.down.circle.fill", "software-update-available-symbolic"},
    Symbol{"tray", "folder-download-symbolic"},
    Symbol{"tray.and.arrow.down", "document-save-symbolic"},
    Symbol{"eye", "view-reveal-symbolic"},
    Symbol{"xmark", "window-close-symbolic"},
    Symbol{"square.stack", "edit-copy-symbolic"},
    Symbol{"plus", "list-add-symbolic"},
    Symbol{"trash", "user-trash-symbolic"},
    Symbol{"square.and.pencil", "document-edit-symbolic"},
    Symbol{"exclamationmark.circle", "emblem-important-symbolic"},
};

// Without a desktop session Qt picks no theme (or hicolor, which has none
// of these), and every symbol would come out blank.
void useTheme()
{
    static const bool once = [] {
        if (!QIcon::themeSearchPaths().contains(u"/usr/share/icons"))
            QIcon::setThemeSearchPaths(QIcon::themeSearchPaths() << u"/usr/share/icons"_s);
        QIcon::setThemeName(QString::fromLatin1(kThemeName));
        return true;
    }();
    Q_UNUSED(once);
}

} // namespace

std::span<const Symbol> all()
{
    return kSymbols;
}

QIcon icon(QStringView name)
{
    useTheme();
    for (const Symbol &symbol : kSymbols) {
        if (name == QLatin1StringView(symbol.name))
            return QIcon::fromTheme(QString::fromLatin1(symbol.iconName));
    }
    return {};
}

QIcon themeIcon(const QString &iconName, const QIcon &fallback)
{
    useTheme();
    return QIcon::fromTheme(iconName, fallback);
}

QPixmap tinted(QStringView name, QSizeF size, const QColor &color, qreal ratio)
{
    const QSize pixels = (size * ratio).toSize();
    QPixmap pixmap = icon(name).pixmap(pixels);
    if (pixmap.isNull())
        return pixmap;
    pixmap = pixmap.scaled(pixels, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    pixmap.setDevicePixelRatio(ratio);
    QPainter painter(&pixmap);
    painter.setCompositionMode(QPainter::CompositionMode_SourceIn);
    painter.fillRect(QRectF(QPointF(), size), color);
    return pixmap;
}

} // namespace SymbolIcons
