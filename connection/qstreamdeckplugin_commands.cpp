// The outbound half of the host protocol: each slot sends one compact JSON object at once.
#include "qstreamdeckplugin.h"

#include "compactjson.h"

namespace {

QJsonObject command(const char *event, const QString &context)
{
    return QJsonObject{{QStringLiteral("event"), QLatin1String(event)},
                       {QStringLiteral("context"), context}};
}

// Nothing (the key's own image again) and a data URI of any type go as they are; bare base64 is
// taken for a PNG. The PNG prefix anywhere in the text counts as present.
QString imageValue(const QString &base64Str)
{
    const QString prefix = QStringLiteral("data:image/png;base64,");
    const bool asItIs = base64Str.isEmpty() || base64Str.startsWith(QLatin1String("data:")) ||
                        base64Str.indexOf(prefix, 0, Qt::CaseSensitive) >= 0;
    return asItIs ? base64Str : prefix + base64Str;
}

} // namespace

void QStreamDeckPlugin::setSettings(QJsonObject &settings, const QString &context)
{
    QJsonObject message = command("setSettings", context);
    message.insert(QStringLiteral("payload"), settings);
    send(message);
    keySettings.stored(context, settings);
}

void QStreamDeckPlugin::setGlobalSettings(QJsonObject &settings, const QString &context)
{
    QJsonObject message = command("setGlobalSettings", context);
    message.insert(QStringLiteral("payload"), settings);
    send(message);
    // The host does not echo them to the plugin that set them.
    globalSettings = settings;
}

void QStreamDeckPlugin::getSettings(const QString &context)
{
    send(command("getSettings", context));
}

void QStreamDeckPlugin::getGlobalSettings(const QString &context)
{
    send(command("getGlobalSettings", context));
}

void QStreamDeckPlugin::openURL(const QString &url)
{
    send(QJsonObject{{QStringLiteral("event"), QStringLiteral("openUrl")},
                     {QStringLiteral("payload"), QJsonObject{{QStringLiteral("url"), url}}}});
}

void QStreamDeckPlugin::setState(int state, const QString &context)
{
    QJsonObject message = command("setState", context);
    message.insert(QStringLiteral("payload"), QJsonObject{{QStringLiteral("state"), state}});
    send(message);
}

void QStreamDeckPlugin::setTitle(const QString &title, const QString &context, ESDSDKTarget target)
{
    // The commonest message, a live key's answer among them: written as text at once, the very
    // bytes the object {"context","event","payload":{"target","title"}} would give.
    QString text = QStringLiteral("{\"context\":");
    appendJsonString(text, context);
    text += QLatin1String(",\"event\":\"setTitle\",\"payload\":{\"target\":");
    text += QString::number(target);
    text += QLatin1String(",\"title\":");
    appendJsonString(text, title);
    text += QLatin1String("}}");
    sendText(text);
}

void QStreamDeckPlugin::setImage(const QString &base64Str, const QString &context,
                                 ESDSDKTarget target)
{
    QJsonObject message = command("setImage", context);
    message.insert(QStringLiteral("payload"),
                   QJsonObject{{QStringLiteral("image"), imageValue(base64Str)},
                               {QStringLiteral("target"), target}});
    send(message);
}

void QStreamDeckPlugin::setTitleForState(const QString &title, const QString &context, int state)
{
    QJsonObject message = command("setTitle", context);
    message.insert(QStringLiteral("payload"), QJsonObject{{QStringLiteral("state"), state},
                                                          {QStringLiteral("target"), 0},
                                                          {QStringLiteral("title"), title}});
    send(message);
}

void QStreamDeckPlugin::setImageForState(const QString &image, const QString &context, int state)
{
    QJsonObject message = command("setImage", context);
    message.insert(QStringLiteral("payload"),
                   QJsonObject{{QStringLiteral("image"), imageValue(image)},
                               {QStringLiteral("state"), state},
                               {QStringLiteral("target"), 0}});
    send(message);
}

void QStreamDeckPlugin::showAlert(const QString &context)
{
    send(command("showAlert", context));
}

void QStreamDeckPlugin::showOk(const QString &context)
{
    send(command("showOk", context));
}

void QStreamDeckPlugin::sendToPropertyInspector(const QString &action, const QString &context,
                                                QJsonObject &payload)
{
    QJsonObject message = command("sendToPropertyInspector", context);
    message.insert(QStringLiteral("action"), action);
    message.insert(QStringLiteral("payload"), payload);
    send(message);
}

void QStreamDeckPlugin::switchProfile(const QString &deviceId, const QString &profileName)
{
    // The context of a profile switch is always this plugin, whatever the caller has at hand.
    QJsonObject message = command("switchToProfile", pluginModel.uuid);
    message.insert(QStringLiteral("device"), deviceId);
    message.insert(QStringLiteral("payload"),
                   QJsonObject{{QStringLiteral("profile"), profileName}});
    send(message);
}

void QStreamDeckPlugin::logMessage(const QString &message)
{
    send(QJsonObject{
        {QStringLiteral("event"), QStringLiteral("logMessage")},
        {QStringLiteral("payload"), QJsonObject{{QStringLiteral("message"), message}}}});
}

void QStreamDeckPlugin::setFeedback(const QJsonObject &payload, const QString &context)
{
    QJsonObject message = command("setFeedback", context);
    message.insert(QStringLiteral("payload"), payload);
    send(message);
}

void QStreamDeckPlugin::setFeedbackLayout(const QString &layout, const QString &context)
{
    QJsonObject message = command("setFeedbackLayout", context);
    message.insert(QStringLiteral("payload"), QJsonObject{{QStringLiteral("layout"), layout}});
    send(message);
}

void QStreamDeckPlugin::setTriggerDescription(const QJsonObject &payload, const QString &context)
{
    QJsonObject message = command("setTriggerDescription", context);
    message.insert(QStringLiteral("payload"), payload);
    send(message);
}
