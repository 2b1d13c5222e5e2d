#include "keystore.h"

#include "runner/scriptlookup.h"

#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QSaveFile>

#include <algorithm>
#include <functional>

namespace {
QLatin1String name(const char *text)
{
    return QLatin1String(text);
}
// The host's states are 0 and 1; anything else, none.
int knownState(const QJsonValue &value)
{
    const int state = value.toInt(-1);
    return state == 0 || state == 1 ? state : -1;
}
} // namespace

int KeyStore::statesOf(const QString &action) const
{
    if (!manifestKnown)
        return 0;
    const PluginManifest::Action *entry = manifest.action(action);
    return entry ? int(entry->stateImages.size()) : 1;
}

QString KeyStore::apply(const QJsonObject &message)
{
    const QString event = message.value(name("event")).toString();
    const QString context = message.value(name("context")).toString();
    const QJsonValue payload = message.value(name("payload"));
    if (event == QLatin1String("setSettings")) {
        byContext[context].settings = payload.toObject();
    } else if (event == QLatin1String("setState")) {
        Key &key = byContext[context];
        const int state = knownState(payload[name("state")]);
        // The host's commands of a dial are those of its strip and showAlert: no state.
        if (key.dial)
            return QStringLiteral("the host sets the state of a key, not of a dial");
        if (statesOf(key.action) == 1)
            return QStringLiteral("the host keeps an action of one state as it is");
        if (state < 0)
            return QStringLiteral("the host takes state 0 or 1, of an action of two states");
        key.state = state;
    } else if (event == QLatin1String("showOk") && byContext.value(context).dial) {
        return QStringLiteral("the host shows an OK mark on a key, not on a dial (showAlert)");
    } else if (event == QLatin1String("setTitle")) {
        Key &key = byContext[context];
        const PluginManifest::Action *entry = manifest.action(key.action);
        if (!key.userTitle.isEmpty() && !(entry && !entry->userTitleEnabled))
            return QStringLiteral("the key shows the title its user typed");
        key.title = payload[name("title")].toString();
    } else if (event == QLatin1String("setImage")) {
        byContext[context].image = payload[name("image")].toString();
    } else if (event == QLatin1String("setFeedbackLayout")) {
        const QString layout = payload[name("layout")].toString();
        if (!isLayoutReference(layout))
            return QStringLiteral("a layout is one of the host's or a path inside the plugin's "
                                  "folder");
        byContext[context].layout = layout;
    } else if (event == QLatin1String("setFeedback")) {
        // Only the items named change; the others keep what they were set to. Made anew: Qt
        // keeps the bytes of a value replaced in place until the object is copied, so a dial
        // that is set ten times a second would grow without end.
        Key &key = byContext[context];
        const QJsonObject values = payload.toObject();
        QJsonObject feedback = values;
        for (auto it = key.feedback.constBegin(); it != key.feedback.constEnd(); ++it) {
            if (!values.contains(it.key()))
                feedback.insert(it.key(), it.value());
        }
        key.feedback = feedback;
    } else if (event == QLatin1String("setGlobalSettings")) {
        global = payload.toObject();
    } else if (event == QLatin1String("switchToProfile") && manifestKnown &&
               !manifest.hasProfile(payload[name("profile")].toString())) {
        return QStringLiteral("the host switches only to profiles a plugin ships in its manifest");
    }
    return QString();
}

QString KeyStore::prepare(const QString &event)
{
    QJsonObject message = QJsonDocument::fromJson(event.toUtf8()).object();
    const QString context = message.value(name("context")).toString();
    if (context.isEmpty())
        return event;
    const QString action = message.value(name("action")).toString();
    Key &stored = serve(context, action);
    QJsonObject payload = message.value(name("payload")).toObject();
    const QJsonObject settings = payload.value(name("settings")).toObject();
    if (!settings.isEmpty())
        stored.settings = settings;
    else
        payload.insert(name("settings"), stored.settings);
    if (payload.contains(name("userTitle")))
        stored.userTitle = payload.take(name("userTitle")).toString();

    const int states = statesOf(action);
    if (states == 1) {
        payload.remove(name("state")); // the host says a state only where there are two
    } else if (const int state = knownState(payload.value(name("state"))); state >= 0) {
        stored.state = state;
    } else if (stored.state >= 0 || states == 2) {
        payload.insert(name("state"), qMax(stored.state, 0));
    }
    const QString type = message.value(name("event")).toString();
    const bool press = type == QLatin1String("keyDown") || type == QLatin1String("keyUp");
    if (payload.value(name("isInMultiAction")).toBool()) {
        payload.remove(name("coordinates"));
        if (states == 2 && press && !payload.contains(name("userDesiredState")))
            payload.insert(name("userDesiredState"), 1 - payload.value(name("state")).toInt());
    }
    // The host flips a key of two states itself once it is let go, unless told not to.
    const PluginManifest::Action *entry = manifestKnown ? manifest.action(action) : nullptr;
    if (type == QLatin1String("keyUp") && states == 2 && entry && entry->automaticStates)
        stored.state = 1 - payload.value(name("state")).toInt();
    // An action only for dials is placed on a dial: its events say so.
    if (entry && entry->controllers == QStringList{QStringLiteral("Encoder")})
        payload.insert(name("controller"), QStringLiteral("Encoder"));
    if (payload.contains(name("controller")))
        stored.dial = payload.value(name("controller")).toString() == QLatin1String("Encoder");
    message.insert(name("payload"), payload);
    return QString::fromUtf8(QJsonDocument(message).toJson(QJsonDocument::Compact));
}

QString KeyStore::titleChange(const QString &prepared) const
{
    QJsonObject message = QJsonDocument::fromJson(prepared.toUtf8()).object();
    QJsonObject payload = message.value(name("payload")).toObject();
    payload.insert(name("title"), key(message.value(name("context")).toString()).userTitle);
    payload.insert(name("titleParameters"),
                   QJsonObject{{name("fontFamily"), QString()},
                               {name("fontSize"), 12},
                               {name("fontStyle"), QString()},
                               {name("fontUnderline"), false},
                               {name("showTitle"), true},
                               {name("titleAlignment"), QStringLiteral("bottom")},
                               {name("titleColor"), QStringLiteral("#ffffff")}});
    payload.remove(name("isInMultiAction"));
    payload.remove(name("userDesiredState"));
    message.insert(name("event"), QStringLiteral("titleParametersDidChange"));
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
    if (QFileInfo(file).size() > largestKeepFile) {
        *error = QStringLiteral("it is larger than %1 MiB, far more than keys need: is it the "
                                "right file?")
                     .arg(largestKeepFile / (1024 * 1024));
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
                   stored.value(name("settings")).toObject(),
                   knownState(stored.value(name("state"))),
                   stored.value(name("title")).toString(),
                   stored.value(name("image")).toString(),
                   stored.value(name("userTitle")).toString(),
                   stored,
                   stored.value(name("layout")).toString(),
                   stored.value(name("feedback")).toObject(),
                   false};
    };
    keptDocument = document.object();
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

bool KeyStore::save(const QString &file, QString *error, QString *note) const
{
    // A field this run knows is written as it is now, or left out when it has none.
    const auto put = [](QJsonObject &stored, const char *field, const QJsonValue &value, bool has) {
        if (has)
            stored.insert(name(field), value);
        else
            stored.remove(name(field));
    };
    QJsonObject keys;
    for (auto it = byContext.begin(); it != byContext.end(); ++it) {
        QJsonObject stored = it->kept;
        stored.insert(name("action"), it->action);
        stored.insert(name("settings"), it->settings);
        put(stored, "state", it->state, it->state >= 0);
        put(stored, "title", it->title, !it->title.isEmpty());
        put(stored, "image", it->image, !it->image.isEmpty());
        put(stored, "userTitle", it->userTitle, !it->userTitle.isEmpty());
        put(stored, "layout", it->layout, !it->layout.isEmpty());
        put(stored, "feedback", it->feedback, !it->feedback.isEmpty());
        keys.insert(it.key(), stored);
    }
    QJsonArray others; // what actions had on keys that now serve another
    for (auto it = aside.begin(); it != aside.end(); ++it)
        others.append(QJsonObject{{name("context"), it.key().section(QLatin1Char('\n'), 0, 0)},
                                  {name("action"), it->action},
                                  {name("settings"), it->settings},
                                  {name("state"), it->state}});
    QJsonObject document = keptDocument;
    put(document, "globalSettings", global, !global.isEmpty());
    put(document, "otherActions", others, !others.isEmpty());
    document.insert(name("keys"), keys);
    QByteArray bytes = QJsonDocument(document).toJson();
    // A file this run could not read back is no file to keep: pictures, the largest first, stay
    // out of it until it fits (a picture is drawn again by the key's script).
    QStringList leftOut;
    if (bytes.size() > largestKeepFile) {
        QList<std::pair<qsizetype, QString>> pictures; // size, key
        for (auto it = byContext.begin(); it != byContext.end(); ++it)
            pictures.append({it->image.size(), it.key()});
        std::sort(pictures.begin(), pictures.end(), std::greater<>());
        qint64 over = bytes.size() - largestKeepFile;
        for (const auto &[size, key] : std::as_const(pictures)) {
            if (over <= 0 || size == 0)
                break;
            QJsonObject stored = keys.value(key).toObject();
            stored.remove(name("image"));
            keys.insert(key, stored);
            leftOut << key;
            over -= size;
        }
    }
    if (!leftOut.isEmpty()) {
        document.insert(name("keys"), keys);
        bytes = QJsonDocument(document).toJson();
        if (note)
            *note = QStringLiteral("the pictures of %1 are left out: the file would pass %2 MiB")
                        .arg(leftOut.join(QLatin1String(", ")))
                        .arg(largestKeepFile >> 20);
    }
    if (bytes.size() > largestKeepFile) {
        *error = QStringLiteral("the keys would take more than %1 MiB").arg(largestKeepFile >> 20);
        return false;
    }
    // Written whole or not at all: an interrupted run leaves the last good file.
    QSaveFile out(file);
    if (!out.open(QIODevice::WriteOnly) || out.write(bytes) < 0 || !out.commit()) {
        *error = out.errorString();
        return false;
    }
    return true;
}
