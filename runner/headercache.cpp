#include "headercache.h"

#include <QFile>
#include <QFileInfo>

const ScriptHeader &HeaderCache::of(const QString &script)
{
    static const ScriptHeader none;
    const QFileInfo info(script);
    if (!info.isFile() || script.endsWith(QLatin1String(".exe"), Qt::CaseInsensitive))
        return none; // a program has no comment lines to read
    Read &known = read[script];
    if (known.modified == info.lastModified() && known.size == info.size())
        return known.header;
    QFile file(script);
    known =
        Read{info.lastModified(), info.size(),
             ScriptHeader::read(file.open(QIODevice::ReadOnly) ? file.read(16384) : QByteArray())};
    return known.header;
}
