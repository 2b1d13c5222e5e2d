#include "keystore.h"

#include <QFile>
#include <QJsonDocument>
#include <QSaveFile>

namespace {
QLatin1String key(const char *name)
{
    return QLatin1String(name);
}
} // namespace

void KeyStore::apply(const QJsonObject &message)
{
    const QString event = message.value(key("event")).toString();
    const QString context = message.value(key("context")).toString();
    const QJsonValue payload = message.value(key("payload"));
    if (event == QLatin1String("setSettings"))
        byContext[context].settings = payload.toObject();
    else if (event == QLatin1String("setState"))
        byContext[context].state = payload[key("state")].toInt();
    else if (event == QLatin1String("setTitle"))
        byContext[context].title = payload[key("title")].toString();
    else if (event == QLatin1String("setImage"))
        byContext[context].image = payload[key("image")].toString();
}

QString KeyStore::prepare(const QString &event)
{
    QJsonObject message = QJsonDocument::fromJson(event.toUtf8()).object();
    const QString context = message.value(key("context")).toString();
    if (context.isEmpty())
        return event;
    Key &stored = byContext[context];
    stored.action = message.value(key("action")).toString();
    QJsonObject payload = message.value(key("payload")).toObject();
    const QJsonObject settings = payload.value(key("settings")).toObject();
    if (!settings.isEmpty())
        stored.settings = settings;
    else
        payload.insert(key("settings"), stored.settings);
    if (payload.contains(key("state")))
        stored.state = payload.value(key("state")).toInt();
    else if (stored.state >= 0)
        payload.insert(key("state"), stored.state);
    message.insert(key("payload"), payload);
    return QString::fromUtf8(QJsonDocument(message).toJson(QJsonDocument::Compact));
}

bool KeyStore::load(const QString &file, QString *error)
{
    QFile in(file);
    if (!in.exists())
        return true;
    if (!in.open(QIODevice::ReadOnly)) {
        *error = in.errorString();
        return false;
    }
    QJsonParseError parseError{};
    const QJsonDocument document = QJsonDocument::fromJson(in.readAll(), &parseError);
    if (!document.isObject()) {
        *error = QStringLiteral("not a JSON object (%1)").arg(parseError.errorString());
        return false;
    }
    const QJsonObject keys = document.object().value(key("keys")).toObject();
    for (auto it = keys.begin(); it != keys.end(); ++it) {
        const QJsonObject stored = it.value().toObject();
        byContext.insert(it.key(), Key{stored.value(key("action")).toString(),
                                       stored.value(key("settings")).toObject(),
                                       stored.value(key("state")).toInt(-1),
                                       stored.value(key("title")).toString(),
                                       stored.value(key("image")).toString()});
    }
    return true;
}

bool KeyStore::save(const QString &file, QString *error) const
{
    QJsonObject keys;
    for (auto it = byContext.begin(); it != byContext.end(); ++it) {
        QJsonObject stored{{key("action"), it->action}, {key("settings"), it->settings}};
        if (it->state >= 0)
            stored.insert(key("state"), it->state);
        if (!it->title.isEmpty())
            stored.insert(key("title"), it->title);
        if (!it->image.isEmpty())
            stored.insert(key("image"), it->image);
        keys.insert(it.key(), stored);
    }
    // Written whole or not at all: an interrupted run leaves the last good file.
    QSaveFile out(file);
    if (!out.open(QIODevice::WriteOnly) ||
        out.write(QJsonDocument(QJsonObject{{key("keys"), keys}}).toJson()) < 0 || !out.commit()) {
        *error = out.errorString();
        return false;
    }
    return true;
}
