// DeckServer: the keys, as the page plays them and the plugin draws them.
#include "deckserver.h"
#include "runner/deeplink.h"

#include "connection/compactjson.h"
#include "host/hostsession.h"
#include "host/messageformat.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QWebSocket>

namespace {

QJsonObject object(const QString &text)
{
    return QJsonDocument::fromJson(text.toUtf8()).object();
}
} // namespace

void DeckServer::onPageMessage(const QString &text)
{
    const QJsonObject message = object(text);
    const QString type = message.value(QLatin1String("type")).toString();
    const int index = message.value(QLatin1String("index")).toInt(-1);
    const bool onKey = index >= 0 && index < count();
    if (isDial(index) && (type == QLatin1String("rotate") ||
                          type.startsWith(QLatin1String("dial")) || type == QLatin1String("tap"))) {
        onDialMessage(type, index, message);
    } else if (isDial(index) && (type == QLatin1String("down") || type == QLatin1String("up"))) {
        return; // a dial is pushed, not pressed
    } else if (type == QLatin1String("down") && onKey) {
        sendKeyEvent(index, QStringLiteral("keyDown"));
    } else if (type == QLatin1String("up") && onKey) {
        sendKeyEvent(index, QStringLiteral("keyUp"));
    } else if (type == QLatin1String("assign") && onKey) {
        const QString action = message.value(QLatin1String("action")).toString();
        if (!action.isEmpty() && !actions.contains(action))
            return;
        if (visible)
            sendKeyEvent(index, QStringLiteral("willDisappear"));
        session.keyStore().reset(contextOf(index), action);
        outcomes.forget(contextOf(index));
        if (visible)
            sendKeyEvent(index, QStringLiteral("willAppear"));
        watch(contextOf(index));
        broadcast(snapshot());
        if (settingsPage.shownContext() == contextOf(index))
            select(action.isEmpty() ? -1 : index); // the page of the key's new action
    } else if (type == QLatin1String("select")) {
        select(onKey ? index : -1);
    } else if (type == QLatin1String("visible")) {
        appearAll(message.value(QLatin1String("on")).toBool());
    } else if (type == QLatin1String("deeplink")) {
        onDeepLink(message.value(QLatin1String("url")).toString());
    }
}

void DeckServer::onDeepLink(const QString &url)
{
    QString refusal;
    const QString event = DeepLink::event(url, pluginUuid(), &refusal);
    if (!event.isEmpty() && !session.isRegistered())
        refusal = QStringLiteral("the plugin has not connected yet");
    if (refusal.isEmpty())
        session.sendEvent(event);
    broadcast(
        {{QStringLiteral("type"), QStringLiteral("deeplink")},
         {QStringLiteral("url"), url},
         {QStringLiteral("ok"), refusal.isEmpty()},
         {QStringLiteral("text"), refusal.isEmpty() ? QStringLiteral("sent: ") + event
                                                    : QStringLiteral("refused: ") + refusal}});
}

QString DeckServer::pluginUuid() const
{
    if (const PluginManifest *manifest = session.keyStore().pluginManifest();
        manifest && !manifest->uuid.isEmpty())
        return manifest->uuid;
    const QJsonObject info = QJsonDocument::fromJson(session.info().toUtf8()).object();
    return info.value(QLatin1String("plugin")).toObject().value(QLatin1String("uuid")).toString();
}

void DeckServer::onDialMessage(const QString &type, int index, const QJsonObject &message)
{
    if (type == QLatin1String("rotate")) {
        const int ticks = message.value(QLatin1String("ticks")).toInt();
        if (ticks != 0)
            sendKeyEvent(
                index, QStringLiteral("dialRotate"),
                {{QStringLiteral("ticks"), ticks},
                 {QStringLiteral("pressed"), message.value(QLatin1String("pressed")).toBool()}});
    } else if (type == QLatin1String("dialDown") || type == QLatin1String("dialUp")) {
        sendKeyEvent(index, type);
    } else if (type == QLatin1String("tap")) {
        // On the dial's 200 by 100 canvas, whatever the page drew it at.
        const int x = qBound(0, message.value(QLatin1String("x")).toInt(), 199);
        const int y = qBound(0, message.value(QLatin1String("y")).toInt(), 99);
        sendKeyEvent(index, QStringLiteral("touchTap"),
                     {{QStringLiteral("tapPos"), QJsonArray{x, y}},
                      {QStringLiteral("hold"), message.value(QLatin1String("hold")).toBool()}});
    }
}

void DeckServer::select(int index)
{
    const QString before = settingsPage.shownContext();
    // As the host does when a key is selected: its action's settings page shows it.
    const QString action = index >= 0 ? session.keyStore().key(contextOf(index)).action : QString();
    if (action.isEmpty()) {
        settingsPage.hide();
        broadcast(
            {{QStringLiteral("type"), QStringLiteral("inspect")}, {QStringLiteral("index"), -1}});
        watch(before);
        return;
    }
    const int column = isDial(index) ? index - columns * rows : index % columns;
    const int row = isDial(index) ? 0 : index / columns;
    QJsonObject inspect =
        settingsPage.show(contextOf(index), action, column, row, tcp.serverPort());
    inspect.insert(QStringLiteral("type"), QStringLiteral("inspect"));
    inspect.insert(QStringLiteral("index"), index);
    broadcast(inspect);
    watch(before); // its page went: the deck keeps an eye on it again
}

void DeckServer::watch(const QString &context)
{
    const QString action = session.keyStore().key(context).action;
    if (action.isEmpty() || context == settingsPage.shownContext())
        return; // the page shown asks for itself
    session.sendEvent(compactJson(
        {{QStringLiteral("event"), QStringLiteral("sendToPlugin")},
         {QStringLiteral("action"), action},
         {QStringLiteral("context"), context},
         {QStringLiteral("device"), QStringLiteral("device-1")},
         {QStringLiteral("payload"), QJsonObject{{QStringLiteral("keyscript"), "status"}}}}));
}

void DeckServer::onPluginMessage(const QJsonObject &message)
{
    settingsPage.onPluginMessage(message);
    const QString event = message.value(QLatin1String("event")).toString();
    const int index = indexOf(message.value(QLatin1String("context")).toString());
    if (event == QLatin1String("sendToPropertyInspector")) {
        // What the plugin tells of a key's runs: a mark on a failed key, a line in the log.
        if (outcomes.take(message))
            connected.keyChanged(index);
        if (const QString line = KeyOutcomes::runLine(message); !line.isEmpty())
            onLogLine(line);
        return;
    }
    if (event == QLatin1String("showAlert") || event == QLatin1String("showOk")) {
        broadcast({{QStringLiteral("type"), QStringLiteral("flash")},
                   {QStringLiteral("index"), index},
                   {QStringLiteral("kind"), event == QLatin1String("showOk") ? "ok" : "alert"}});
    } else if (event.startsWith(QLatin1String("set"))) {
        connected.keyChanged(index);
    } else {
        // switchToProfile, openUrl, logMessage and the rest: for the author to see.
        broadcast({{QStringLiteral("type"), QStringLiteral("notice")},
                   {QStringLiteral("text"), readableMessage(compactJson(message))}});
    }
}

void DeckServer::onLogLine(const QString &line)
{
    broadcast(
        {{QStringLiteral("type"), QStringLiteral("log")}, {QStringLiteral("line"), log.add(line)}});
}

void DeckServer::appearAll(bool visible)
{
    // As a profile switch would: every key goes, or comes.
    this->visible = visible;
    for (int index = 0; index < count(); ++index) {
        sendKeyEvent(index,
                     visible ? QStringLiteral("willAppear") : QStringLiteral("willDisappear"));
        watch(contextOf(index));
    }
    broadcast(snapshot());
}

void DeckServer::sendKeyEvent(int index, const QString &event, const QJsonObject &extra)
{
    const KeyStore::Key key = session.keyStore().key(contextOf(index));
    if (key.action.isEmpty() || !session.isRegistered())
        return;
    const bool dial = isDial(index);
    const QString text = actionEvent(
        event, key.action, contextOf(index), QStringLiteral("device-1"), key.settings, key.state,
        dial ? index - columns * rows : index % columns, dial ? 0 : index / columns);
    if (!dial) {
        session.sendEvent(text);
        return;
    }
    // A dial's events say so, and bring what the dial did.
    QJsonObject message = object(text);
    QJsonObject payload = message.value(QLatin1String("payload")).toObject();
    payload.insert(QStringLiteral("controller"), QStringLiteral("Encoder"));
    for (auto it = extra.begin(); it != extra.end(); ++it)
        payload.insert(it.key(), it.value());
    message.insert(QStringLiteral("payload"), payload);
    session.sendEvent(compactJson(message));
}

void DeckServer::broadcast(const QJsonObject &message)
{
    connected.send(message);
}

QJsonObject DeckServer::keyState(int index) const
{
    const KeyStore::Key key = session.keyStore().key(contextOf(index));
    return {{QStringLiteral("type"), QStringLiteral("key")},
            {QStringLiteral("index"), index},
            {QStringLiteral("action"), key.action},
            {QStringLiteral("settings"), key.settings},
            {QStringLiteral("state"), key.state},
            {QStringLiteral("title"), key.title},
            {QStringLiteral("image"),
             key.image.isEmpty() ? stateImage(key.action, key.state) : key.image},
            {QStringLiteral("ownImage"), key.image.isEmpty()}, // the action's, from its manifest
            {QStringLiteral("problem"), outcomes.problem(contextOf(index))},
            {QStringLiteral("dial"), isDial(index)},
            {QStringLiteral("layout"), isDial(index) ? session.dialLayout(key) : QJsonValue()},
            {QStringLiteral("feedback"), key.feedback}};
}

QString DeckServer::stateImage(const QString &action, int state) const
{
    if (action.isEmpty())
        return QString();
    // Read once: a key's state is drawn again on every change.
    const QString key = action + QLatin1Char('\n') + QString::number(state);
    auto it = stateImages.constFind(key);
    if (it == stateImages.cend())
        it = stateImages.insert(key, session.stateImage(action, state));
    return it.value();
}

QJsonObject DeckServer::snapshot() const
{
    QJsonArray keys;
    for (int index = 0; index < count(); ++index)
        keys.append(keyState(index));
    // Each action by the name the host lists it under: the manifest's, else the one the plugin
    // maker would give it.
    QJsonArray named;
    const PluginManifest *manifest = session.keyStore().pluginManifest();
    for (const QJsonValue &value : actions.toJson()) {
        QJsonObject entry = value.toObject();
        const QString action = entry.value(QLatin1String("action")).toString();
        const PluginManifest::Action *listed = manifest ? manifest->action(action) : nullptr;
        entry.insert(QStringLiteral("name"), listed && !listed->name.isEmpty()
                                                 ? listed->name
                                                 : action.section(QLatin1Char('.'), -1));
        named.append(entry);
    }
    return {{QStringLiteral("type"), QStringLiteral("deck")},
            {QStringLiteral("columns"), columns},
            {QStringLiteral("rows"), rows},
            {QStringLiteral("dials"), dials},
            {QStringLiteral("visible"), visible},
            {QStringLiteral("pluginUuid"), pluginUuid()},
            {QStringLiteral("actions"), named},
            {QStringLiteral("otherSystem"), QJsonArray::fromStringList(actions.otherSystem())},
            {QStringLiteral("keys"), keys}};
}

QString DeckServer::contextOf(int index) const
{
    return isDial(index) ? QStringLiteral("dial-%1").arg(index - columns * rows + 1)
                         : QStringLiteral("deck-%1").arg(index + 1);
}

int DeckServer::indexOf(const QString &context) const
{
    if (context.startsWith(QLatin1String("dial-"))) {
        const int dial = context.mid(5).toInt() - 1;
        return dial >= 0 && dial < dials ? columns * rows + dial : -1;
    }
    if (!context.startsWith(QLatin1String("deck-")))
        return -1;
    const int index = context.mid(5).toInt() - 1;
    return index >= 0 && index < columns * rows ? index : -1;
}
