#include "crest/CrestFileDropDelegate.h"

#include "crest/CrestState.h"
#include "tray/FileDropLoader.h"
#include "tray/FileTrayStore.h"
#include "tray/UriListDropItem.h"

#include <QCoreApplication>

CrestFileDropDelegate::CrestFileDropDelegate(CrestState &state, FileTrayStore &tray)
    : m_state(&state), m_tray(&tray)
{}

bool CrestFileDropDelegate::validateDrop(const QList<std::shared_ptr<FileDropItem>> &items)
{
    return std::any_of(items.cbegin(), items.cend(),
                       [](const auto &item) { return item && item->conformsToFileURL(); });
}

bool CrestFileDropDelegate::dragEntered(const QMimeData &data)
{
    if (!validateDrop(UriListDropItem::fromMimeData(&data)))
        return false;
    if (m_state)
        m_state->fileDragEntered();
    return true;
}

void CrestFileDropDelegate::dragExited()
{
    if (m_state)
        m_state->fileDragExited();
}

bool CrestFileDropDelegate::dropped(const QMimeData &data)
{
    return performDrop(UriListDropItem::fromMimeData(&data));
}

bool CrestFileDropDelegate::performDrop(const QList<std::shared_ptr<FileDropItem>> &items)
{
    if (!validateDrop(items))
        return false;
    if (m_state)
        m_state->fileDropStarted();
    // The application, not the tray, is the delivery context: the crest must
    // hear that the drop finished whatever happens to the tray.
    FileDropLoader::load(items, QCoreApplication::instance(),
                         [state = m_state, tray = m_tray](QList<QUrl> urls) {
                             if (tray)
                                 tray->addFiles(urls);
                             if (state)
                                 state->fileDropFinished();
                         });
    return true;
}
