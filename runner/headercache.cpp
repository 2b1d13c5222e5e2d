#include "headercache.h"

#include "imagefile.h"

#include <QDebug>
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
    // Read without waiting: what the path names may have become a FIFO since the look at it.
    known =
        Read{info.lastModified(), info.size(), ScriptHeader::read(ImageFile::start(script, 16384))};
    // Said once for each version of the file: a value the plugin cannot use is not used, but
    // never in silence.
    for (const QString &error : std::as_const(known.header.errors))
        qDebug() << "Header of" << script << qUtf8Printable(error);
    return known.header;
}
