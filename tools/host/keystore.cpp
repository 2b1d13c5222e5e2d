#include "keystore.h"

#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QSaveFile>

namespace {
QLatin1String name(const char *text)
{
    return QLatin1String(text);
}
} // namespace

void KeyStore::apply(const QJsonObject &message)
{
    const QString event = message.value(name("event")).toString();
    const QString context = message.value(name("context")).toString();
    const QJsonValue payload = message.value(name("payload"));
    if (event == QLatin1String("setSettings"))
        byContext[context].settings = payload.toObject();
    else if (event == QLatin1String("setState"))
        byContext[context].state = payload[name("state")].toInt();
    else if (event == QLatin1String("setTitle"))
        byContext[context].title = payload[name("title")].toString();
    else if (event == QLatin1String("setImage"))
        byContext[context].image = payload[name("image")].toString();
    else if (event == QLatin1String("setGlobalSettings"))
        global = payload.toObject();
}

QString KeyStore::prepare(const QString &event)
{
    QJsonObject message = QJsonDocument::fromJson(event.toUtf8()).object();
    const QString context = message.value(name("context")).toString();
    if (context.isEmpty())
        return event;
    Key &stored = serve(context, message.value(name("action")).toString());
    QJsonObject payload = message.value(name("payload")).toObject();
    const QJsonObject settings = payload.value(name("settings")).toObject();
    if (!settings.isEmpty())
        stored.settings = settings;
    else
        payload.insert(name("settings"), stored.settings);
    if (payload.contains(name("state")))
        stored.state = payload.value(name("state")).toInt();
    else if (stored.state >= 0)
        payload.insert(name("state"), stored.state);
    message.insert(name("payload"), payload);
    return QString::fromUtf8(QJsonDocument(message).toJson(QJsonDocument::Compact));
}

KeyStore::Key &KeyStore::serve(const QString &context, const QString &action)
{
    Key &stored = byContext[context];
    if (stored.action != action) {
        if (!stored.action.isEmpty())
            aside.insert(asideKey(context, stored.action), stored);
        stored = aside.take(asideKey(context, action));
        stored.action = action;
    }
    return stored;
}

bool KeyStore::load(const QString &file, QString *error)
{
    QFile in(file);
    if (!in.exists())
        return true;
    // A FIFO would hold the run up until someone writes to it.
    if (!QFileInfo(file).isFile()) {
        *error = QStringLiteral("it is no regular file");
        return false;
    }
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
    const auto read = [](const QJsonObject &stored) {
        return Key{stored.value(name("action")).toString(),
                   stored.value(name("settings")).toObject(), stored.value(name("state")).toInt(-1),
                   stored.value(name("title")).toString(), stored.value(name("image")).toString()};
    };
    global = document.object().value(name("globalSettings")).toObject();
    const QJsonObject keys = document.object().value(name("keys")).toObject();
    for (auto it = keys.begin(); it != keys.end(); ++it)
        byContext.insert(it.key(), read(it.value().toObject()));
    for (const QJsonValue &other : document.object().value(name("otherActions")).toArray()) {
        const Key key = read(other.toObject());
        aside.insert(asideKey(other[name("context")].toString(), key.action), key);
    }
    return true;
}

bool KeyStore::save(const QString &file, QString *error) const
{
    QJsonObject keys;
    for (auto it = byContext.begin(); it != byContext.end(); ++it) {
        QJsonObject stored{{name("action"), it->action}, {name("settings"), it->settings}};
        if (it->state >= 0)
            stored.insert(name("state"), it->state);
        if (!it->title.isEmpty())
            stored.insert(name("title"), it->title);
        if (!it->image.isEmpty())
            stored.insert(name("image"), it->image);
        keys.insert(it.key(), stored);
    }
    QJsonArray others; // what actions had on keys that now serve another
    for (auto it = aside.begin(); it != aside.end(); ++it)
        others.append(QJsonObject{{name("context"), it.key().section(QLatin1Char('\n'), 0, 0)},
                                  {name("action"), it->action},
                                  {name("settings"), it->settings},
                                  {name("state"), it->state}});
    QJsonObject document{{name("keys"), keys}};
    if (!global.isEmpty())
        document.insert(name("globalSettings"), global);
    if (!others.isEmpty())
        document.insert(name("otherActions"), others);
    // Written whole or not at all: an interrupted run leaves the last good file.
    QSaveFile out(file);
    if (!out.open(QIODevice::WriteOnly) || out.write(QJsonDocument(document).toJson()) < 0 ||
        !out.commit()) {
        *error = out.errorString();
        return false;
    }
    return true;
}
