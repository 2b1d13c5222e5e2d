#include "messageformat.h"

#include "dataimage.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>

namespace {

// Any value as JSON writes it: a one-element array is serialised and its brackets dropped.
QString jsonText(const QJsonValue &value)
{
    const QByteArray array = QJsonDocument(QJsonArray{value}).toJson(QJsonDocument::Compact);
    return QString::fromUtf8(array.mid(1, array.size() - 2));
}

QString value(const QJsonValue &value, bool quoteAlways)
{
    static const QRegularExpression plainWord(QStringLiteral("^[A-Za-z0-9._:/@+-]+$"));
    if (value.isString() && !quoteAlways && plainWord.match(value.toString()).hasMatch())
        return value.toString();
    return jsonText(value);
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
        for (auto it = members.begin(); it != members.end(); ++it) {
            // An image shows as its type and size; its base64 tells a person nothing.
            const DataImage image = it.key() == QLatin1String("image")
                                        ? DataImage::fromUri(it.value().toString())
                                        : DataImage();
            parts << it.key() + '=' +
                         (image.type.isEmpty() ? value(it.value(), true)
                                               : '<' + image.describe() + '>');
        }
    } else if (!payload.isUndefined()) {
        parts << QStringLiteral("payload=") + value(payload, true);
    }
    return parts.join(QLatin1Char(' '));
}
