#include "players/pear/PearConnectionKeyring.h"

#include "platform/keyring/SecretStore.h"
#include "players/pear/PearAPI.h"

#include <QStringDecoder>

namespace {

const SecretStore::Attributes &attributes()
{
    static const SecretStore::Attributes query = {
        {QStringLiteral("service"), QLatin1String(PearConnectionKeyring::kService)},
        {QStringLiteral("account"), QLatin1String(PearConnectionKeyring::kAccount)}};
    return query;
}

} // namespace

std::optional<QString> PearConnectionKeyring::read() const
{
    const auto secret = m_store.read(attributes());
    if (!secret || secret->size() > PearAPI::kMaxTokenBytes)
        return std::nullopt;
    QStringDecoder decoder(QStringDecoder::Utf8);
    QString text = decoder.decode(*secret);
    if (decoder.hasError())
        return std::nullopt;
    return text;
}

PlayerSendResult PearConnectionKeyring::save(const QString &token)
{
    if (m_store.save(attributes(), QLatin1String(kLabel), token.toUtf8()))
        return PlayerError(PlayerError::Kind::pearSetup);
    return std::monostate();
}

void PearConnectionKeyring::remove()
{
    m_store.remove(attributes());
}
