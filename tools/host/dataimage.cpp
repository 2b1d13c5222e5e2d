#include "dataimage.h"

QString DataImage::suffix() const
{
    if (type == QLatin1String("image/jpeg"))
        return QStringLiteral("jpg");
    if (type == QLatin1String("image/svg+xml"))
        return QStringLiteral("svg");
    if (type == QLatin1String("image/png") || type == QLatin1String("image/gif") ||
        type == QLatin1String("image/bmp"))
        return type.mid(6);
    return QStringLiteral("img");
}

QString DataImage::describe() const
{
    return QStringLiteral("%1, %2 bytes").arg(type).arg(bytes.size());
}

DataImage DataImage::fromUri(const QString &uri)
{
    const QLatin1String marker(";base64,");
    const qsizetype comma = uri.indexOf(marker);
    if (!uri.startsWith(QLatin1String("data:")) || comma < 0)
        return {};
    auto decoded = QByteArray::fromBase64Encoding(uri.mid(comma + marker.size()).toLatin1(),
                                                  QByteArray::AbortOnBase64DecodingErrors);
    if (!decoded)
        return {};
    return {uri.mid(5, comma - 5), *decoded};
}
