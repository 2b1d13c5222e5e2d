#include "keysettings.h"

void KeySettings::stored(const QString &context, const QJsonObject &settings)
{
    pending.insert(context, settings);
}

void KeySettings::heard(const QString &event, const QString &context, const QJsonObject &settings)
{
    const auto it = pending.constFind(context);
    if (it == pending.cend())
        return;
    // The key's settings on their own are the host's answer to a page that stored, or to the
    // plugin's own request; a key that appears again does so long after its last run stored.
    if (event == QLatin1String("didReceiveSettings") || event == QLatin1String("willAppear") ||
        settings == it.value())
        pending.erase(it);
}
