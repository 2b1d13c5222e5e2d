#include "scriptimage.h"

#include "imagefile.h"

#include <QDir>
#include <QFileInfo>

namespace {

// The file types the host draws on a key, by suffix in any case: SVG, JPEG, PNG and WEBP, and
// nothing animated.
QString mediaType(const QString &path)
{
    static const struct
    {
        QLatin1String suffix;
        QLatin1String type;
    } types[] = {
        {QLatin1String("png"), QLatin1String("image/png")},
        {QLatin1String("jpg"), QLatin1String("image/jpeg")},
        {QLatin1String("jpeg"), QLatin1String("image/jpeg")},
        {QLatin1String("webp"), QLatin1String("image/webp")},
        {QLatin1String("svg"), QLatin1String("image/svg+xml")},
    };
    const QString suffix = QFileInfo(path).suffix().toLower();
    for (const auto &entry : types) {
        if (suffix == entry.suffix)
            return entry.type;
    }
    return QString();
}

// Why a file of a type people often try is not sent: the host would draw nothing.
QString whyNotShown(const QString &path)
{
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (suffix == QLatin1String("gif"))
        return QStringLiteral("a GIF: the host draws no animated or GIF pictures on a key; "
                              "use .png, .jpg, .webp or .svg");
    if (suffix == QLatin1String("bmp"))
        return QStringLiteral("a BMP: the host does not draw it; use .png, .jpg, .webp or .svg");
    return QStringLiteral("not a .png, .jpg, .jpeg, .webp or .svg file");
}

QString dataUri(const QString &type, const QByteArray &bytes)
{
    return QStringLiteral("data:") + type + QStringLiteral(";base64,") +
           QString::fromLatin1(bytes.toBase64());
}

} // namespace

ScriptImage ScriptImage::fromValue(const QString &value, const QString &scriptDir)
{
    ScriptImage result;
    if (value.isEmpty() || value.startsWith(QLatin1String("data:"))) {
        result.image = value;
        return result;
    }
    if (value.startsWith(QLatin1String("<svg"))) {
        result.image = dataUri(QStringLiteral("image/svg+xml"), value.toUtf8());
        return result;
    }

    result.file = QDir(scriptDir).filePath(value);
    const QString type = mediaType(result.file);
    if (type.isEmpty()) {
        result.error = whyNotShown(result.file);
        return result;
    }
    const ImageFile file = ImageFile::read(result.file, maxFileSize);
    switch (file.status) {
    case ImageFile::Read:
        result.image = dataUri(type, file.bytes);
        break;
    case ImageFile::Missing:
        result.error = QStringLiteral("no such file");
        break;
    case ImageFile::NotAFile:
        result.error = QStringLiteral("not a file");
        break;
    case ImageFile::TooLarge:
        result.error = QStringLiteral("larger than 1 MiB");
        break;
    case ImageFile::Failed:
        result.error = file.error;
        break;
    }
    return result;
}

bool ScriptImage::isImageFile(const QString &path)
{
    return !mediaType(path).isEmpty();
}
