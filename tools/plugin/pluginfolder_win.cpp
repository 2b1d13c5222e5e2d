#include "pluginfolder.h"

#include <QDir>

QString PluginFolder::hostPluginsFolder()
{
    const QString appData = qEnvironmentVariable("APPDATA");
    return appData.isEmpty() ? QString()
                             : QDir(appData).filePath(QStringLiteral("Elgato/StreamDeck/Plugins"));
}
