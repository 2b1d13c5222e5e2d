#include "pluginfolder.h"

#include <QDir>

QString PluginFolder::hostPluginsFolder()
{
    return QDir::home().filePath(
        QStringLiteral("Library/Application Support/com.elgato.StreamDeck/Plugins"));
}
