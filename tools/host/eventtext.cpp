// The events of a key as the host sends them, as JSON text.
#include "eventtext.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QSysInfo>

QString actionEvent(const QString &event, const QString &action, const QString &context,
                    const QString &device, const QJsonObject &settings, int state, int column,
                    int row)
{
    QJsonObject payload{
        {QStringLiteral("settings"), settings},
        {QStringLiteral("coordinates"),
         QJsonObject{{QStringLiteral("column"), column}, {QStringLiteral("row"), row}}},
        {QStringLiteral("isInMultiAction"), false},
        {QStringLiteral("controller"), QStringLiteral("Keypad")}};
    if (state >= 0)
        payload.insert(QStringLiteral("state"), state);
    const QJsonObject message{{QStringLiteral("event"), event},
                              {QStringLiteral("action"), action},
                              {QStringLiteral("context"), context},
                              {QStringLiteral("device"), device},
                              {QStringLiteral("payload"), payload}};
    return QString::fromUtf8(QJsonDocument(message).toJson(QJsonDocument::Compact));
}

QString keyDownEvent(const QString &action, const QString &context, const QString &device,
                     const QJsonObject &settings)
{
    return actionEvent(QStringLiteral("keyDown"), action, context, device, settings);
}

QString hostEvent(const QString &event, const QJsonObject &payload)
{
    QJsonObject message{{QStringLiteral("event"), event}};
    if (!payload.isEmpty())
        message.insert(QStringLiteral("payload"), payload);
    return QString::fromUtf8(QJsonDocument(message).toJson(QJsonDocument::Compact));
}

QString hostInfo(const HostDevice &device, const QString &pluginUuid, const QString &pluginVersion)
{
#ifdef Q_OS_WIN
    const QString platform = QStringLiteral("windows");
    const QString font = QStringLiteral("Segoe UI");
#else
    // The host knows two systems; Linux, where keyscript-host also runs, passes for the other.
    const QString platform = QStringLiteral("mac");
    const QString font = QStringLiteral(".AppleSystemUIFont");
#endif
    QJsonObject deviceInfo = device.info();
    deviceInfo.insert(QStringLiteral("id"), device.id);
    // The host's colours, by the names its registration info gives them.
    const QJsonObject colors{
        {QStringLiteral("buttonMouseOverBackgroundColor"), QStringLiteral("#464646FF")},
        {QStringLiteral("buttonPressedBackgroundColor"), QStringLiteral("#303030FF")},
        {QStringLiteral("buttonPressedBorderColor"), QStringLiteral("#646464FF")},
        {QStringLiteral("buttonPressedTextColor"), QStringLiteral("#969696FF")},
        {QStringLiteral("highlightColor"), QStringLiteral("#F7821BFF")}};
    const QJsonObject info{
        {QStringLiteral("application"),
         QJsonObject{{QStringLiteral("font"), font},
                     {QStringLiteral("language"), QStringLiteral("en")},
                     {QStringLiteral("platform"), platform},
                     {QStringLiteral("platformVersion"), QSysInfo::productVersion()},
                     // The host that sends the newest events keyscript-host plays.
                     {QStringLiteral("version"), QStringLiteral("7.1.0")}}},
        {QStringLiteral("colors"), colors},
        {QStringLiteral("devicePixelRatio"), 1},
        {QStringLiteral("devices"), QJsonArray{deviceInfo}},
        {QStringLiteral("plugin"), QJsonObject{{QStringLiteral("uuid"), pluginUuid},
                                               {QStringLiteral("version"), pluginVersion}}}};
    return QString::fromUtf8(QJsonDocument(info).toJson(QJsonDocument::Compact));
}
