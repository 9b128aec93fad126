#include "tray/FileDropLoader.h"

#include "core/SerialWorker.h"

#include <QObject>
#include <QPointer>

#include <algorithm>
#include <atomic>
#include <mutex>

namespace FileDropLoader {

namespace {

// Shared by the answers, which arrive on any thread in any order.
struct Load
{
    std::mutex mutex;
    int outstanding = 0;
    QList<std::pair<int, QUrl>> results;
    QPointer<QObject> context;
    std::function<void(QList<QUrl>)> completion;

    // Called once per answer and once by the starter; the last one posts
    // the sorted result to the context's thread.
    void leave(const std::shared_ptr<Load> &self)
    {
        {
            std::lock_guard lock(mutex);
            if (--outstanding > 0)
                return;
        }
        QObject *target = context.data();
        if (!target)
            return;
        SerialWorker::deliver(target, [self] {
            std::stable_sort(self->results.begin(), self->results.end(),
                             [](const auto &a, const auto &b) { return a.first < b.first; });
            QList<QUrl> urls;
            urls.reserve(self->results.size());
            for (const auto &entry : std::as_const(self->results))
                urls.append(entry.second);
            self->completion(std::move(urls));
        });
    }
};

} // namespace

std::optional<QUrl> fileURL(const FileDropItem::Payload &payload)
{
    QUrl url;
    if (const auto *value = std::get_if<QUrl>(&payload))
        url = *value;
    else if (const auto *bytes = std::get_if<QByteArray>(&payload))
        url = QUrl::fromEncoded(*bytes, QUrl::StrictMode);
    else if (const auto *text = std::get_if<QString>(&payload))
        url = QUrl(*text, QUrl::StrictMode);
    if (!url.isValid() || !url.isLocalFile())
        return std::nullopt;
    return url;
}

void load(const QList<std::shared_ptr<FileDropItem>> &items, QObject *context,
          std::function<void(QList<QUrl>)> completion)
{
    QList<std::shared_ptr<FileDropItem>> kept;
    for (const auto &item : items) {
        if (item && item->conformsToFileURL())
            kept.append(item);
    }
    auto shared = std::make_shared<Load>();
    shared->context = context;
    shared->completion = std::move(completion);
    // One extra count for this starter, so answers that come back while the
    // requests are still being made cannot finish the load early.
    shared->outstanding = int(kept.size()) + 1;
    for (int index = 0; index < kept.size(); ++index) {
        auto answered = std::make_shared<std::atomic_bool>(false);
        kept[index]->loadFileURL([shared, index, answered](FileDropItem::Payload payload) {
            if (answered->exchange(true))
                return; // a second answer from the same item would end the load early
            if (const auto url = fileURL(payload)) {
                std::lock_guard lock(shared->mutex);
                shared->results.append({index, *url});
            }
            shared->leave(shared);
        });
    }
    shared->leave(shared);
}

} // namespace FileDropLoader
