#include "resultmarks.h"

#include "scriptheader.h"

#include <QFile>
#include <QFileInfo>

ResultMarks::Marks ResultMarks::of(const QString &script)
{
    const QFileInfo info(script);
    if (!info.isFile() || script.endsWith(QLatin1String(".exe"), Qt::CaseInsensitive))
        return {}; // a program has no comment lines to read
    Read &known = read[script];
    if (known.modified == info.lastModified() && known.size == info.size())
        return known.marks;
    QFile file(script);
    const ScriptHeader header =
        ScriptHeader::read(file.open(QIODevice::ReadOnly) ? file.read(16384) : QByteArray());
    known = Read{info.lastModified(), info.size(),
                 Marks{header.onFailure.value == QLatin1String("alert"),
                       header.onSuccess.value == QLatin1String("ok")}};
    return known.marks;
}
