#include "platform/keyring/LibsecretStore.h"

// GLib's headers use `signals` as a name, which Qt defines as a keyword.
#pragma push_macro("signals")
#undef signals
#include <libsecret/secret.h>
#pragma pop_macro("signals")

#include <memory>

namespace {

template <typename T> struct GObjectDeleter
{
    void operator()(T *object) const { g_object_unref(object); }
};
template <typename T> using GObjectPtr = std::unique_ptr<T, GObjectDeleter<T>>;

struct ErrorHolder
{
    GError *error = nullptr;
    ~ErrorHolder() { g_clear_error(&error); }
};

struct Table
{
    explicit Table(const SecretStore::Attributes &attributes)
        : table(g_hash_table_new_full(g_str_hash, g_str_equal, g_free, g_free))
    {
        for (auto it = attributes.begin(); it != attributes.end(); ++it)
            g_hash_table_insert(table, g_strdup(it.key().toUtf8().constData()),
                                g_strdup(it.value().toUtf8().constData()));
    }
    ~Table() { g_hash_table_unref(table); }
    GHashTable *table;
};

struct Items
{
    GList *list = nullptr;
    ~Items() { g_list_free_full(list, g_object_unref); }
};

SecretStoreError classify(const GError *error)
{
    const bool absent = g_error_matches(error, G_DBUS_ERROR, G_DBUS_ERROR_SERVICE_UNKNOWN) ||
                        g_error_matches(error, G_DBUS_ERROR, G_DBUS_ERROR_NAME_HAS_NO_OWNER) ||
                        g_error_matches(error, G_DBUS_ERROR, G_DBUS_ERROR_SPAWN_FAILED) ||
                        g_error_matches(error, G_DBUS_ERROR, G_DBUS_ERROR_SPAWN_EXEC_FAILED) ||
                        g_error_matches(error, G_IO_ERROR, G_IO_ERROR_NOT_FOUND);
    if (g_error_matches(error, SECRET_ERROR, SECRET_ERROR_IS_LOCKED))
        return SecretStoreError::locked;
    return absent ? SecretStoreError::noService : SecretStoreError::failed;
}

// The service with an open session; none when no Secret Service answers.
GObjectPtr<SecretService> openService(GError **error)
{
    return GObjectPtr<SecretService>(
        secret_service_get_sync(SECRET_SERVICE_OPEN_SESSION, nullptr, error));
}

// Searching without SECRET_SEARCH_UNLOCK never prompts; locked items come
// back locked and without their secret.
Items search(SecretService *service, const SecretStore::Attributes &attributes,
             SecretSearchFlags flags)
{
    Table table(attributes);
    ErrorHolder error;
    return Items{
        secret_service_search_sync(service, nullptr, table.table, flags, nullptr, &error.error)};
}

} // namespace

std::optional<QByteArray> LibsecretStore::read(const Attributes &attributes)
{
    ErrorHolder error;
    const auto service = openService(&error.error);
    if (!service)
        return std::nullopt;
    const Items items = search(service.get(), attributes, SECRET_SEARCH_LOAD_SECRETS);
    for (GList *node = items.list; node; node = node->next) {
        auto *item = static_cast<SecretItem *>(node->data);
        if (secret_item_get_locked(item))
            continue;
        SecretValue *value = secret_item_get_secret(item);
        if (!value)
            continue;
        gsize length = 0;
        const gchar *data = secret_value_get(value, &length);
        QByteArray secret(data, qsizetype(length));
        secret_value_unref(value);
        return secret;
    }
    return std::nullopt;
}

std::optional<SecretStoreError> LibsecretStore::save(const Attributes &attributes,
                                                     const QString &label, const QByteArray &secret)
{
    ErrorHolder error;
    const auto service = openService(&error.error);
    if (!service)
        return classify(error.error);
    // libsecret's own store would unlock a locked collection with a prompt;
    // the collection is checked first and the item created directly.
    const GObjectPtr<SecretCollection> collection(secret_collection_for_alias_sync(
        service.get(), SECRET_COLLECTION_DEFAULT, SECRET_COLLECTION_NONE, nullptr, &error.error));
    if (!collection)
        return error.error ? classify(error.error) : SecretStoreError::failed;
    if (secret_collection_get_locked(collection.get()))
        return SecretStoreError::locked;
    Table table(attributes);
    SecretValue *value = secret_value_new(secret.constData(), secret.size(), "text/plain");
    const GObjectPtr<SecretItem> item(
        secret_item_create_sync(collection.get(), nullptr, table.table, label.toUtf8().constData(),
                                value, SECRET_ITEM_CREATE_REPLACE, nullptr, &error.error));
    secret_value_unref(value);
    if (!item)
        return classify(error.error);
    return std::nullopt;
}

void LibsecretStore::remove(const Attributes &attributes)
{
    ErrorHolder error;
    const auto service = openService(&error.error);
    if (!service)
        return;
    const Items items = search(service.get(), attributes, SECRET_SEARCH_ALL);
    for (GList *node = items.list; node; node = node->next) {
        auto *item = static_cast<SecretItem *>(node->data);
        ErrorHolder deleteError;
        if (!secret_item_get_locked(item))
            secret_item_delete_sync(item, nullptr, &deleteError.error);
    }
}
