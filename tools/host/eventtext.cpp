// The events of a key as the host sends them, as JSON text.
#include "eventtext.h"

#include <QJsonDocument>

QString actionEvent(const QString &event, const QString &action, const QString &context,
                    const QString &device, const QJsonObject &settings, int state, int column,
                    int row)
{
    QJsonObject payload{
        {QStringLiteral("settings"), settings},
        {QStringLiteral("coordinates"),
         QJsonObject{{QStringLiteral("column"), column}, {QStringLiteral("row"), row}}},
        {QStringLiteral("isInMultiAction"), false}};
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
