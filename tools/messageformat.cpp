#include "messageformat.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>

namespace {

QString quoted(const QString &text)
{
    // A one-element array serialises the string with JSON's escapes; strip the brackets.
    const QByteArray array = QJsonDocument(QJsonArray{text}).toJson(QJsonDocument::Compact);
    return QString::fromUtf8(array.mid(1, array.size() - 2));
}

QString value(const QJsonValue &value, bool quoteAlways)
{
    static const QRegularExpression plainWord(QStringLiteral("^[A-Za-z0-9._:/@+-]+$"));
    switch (value.type()) {
    case QJsonValue::String:
        return !quoteAlways && plainWord.match(value.toString()).hasMatch()
                   ? value.toString()
                   : quoted(value.toString());
    case QJsonValue::Object:
        return QString::fromUtf8(QJsonDocument(value.toObject()).toJson(QJsonDocument::Compact));
    case QJsonValue::Array:
        return QString::fromUtf8(QJsonDocument(value.toArray()).toJson(QJsonDocument::Compact));
    default:
        // Numbers, booleans and null: as JSON writes them.
        const QByteArray array = QJsonDocument(QJsonArray{value}).toJson(QJsonDocument::Compact);
        return QString::fromUtf8(array.mid(1, array.size() - 2));
    }
}

} // namespace

QString readableMessage(const QString &json)
{
    const QJsonDocument document = QJsonDocument::fromJson(json.toUtf8());
    if (!document.isObject())
        return json;
    const QJsonObject message = document.object();

    QStringList parts{message.value(QStringLiteral("event")).toString()};
    for (auto it = message.begin(); it != message.end(); ++it) {
        if (it.key() == QLatin1String("event") || it.key() == QLatin1String("payload"))
            continue;
        parts << it.key() + '=' + value(it.value(), false);
    }
    const QJsonValue payload = message.value(QStringLiteral("payload"));
    if (payload.isObject()) {
        const QJsonObject members = payload.toObject();
        for (auto it = members.begin(); it != members.end(); ++it)
            parts << it.key() + '=' + value(it.value(), true);
    } else if (!payload.isUndefined()) {
        parts << QStringLiteral("payload=") + value(payload, true);
    }
    return parts.join(QLatin1Char(' '));
}
