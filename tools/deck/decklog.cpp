#include "decklog.h"

#include <QTime>

QString DeckLog::add(const QString &line)
{
    QString shown =
        QTime::currentTime().toString(QStringLiteral("HH:mm:ss.zzz ")) + line.left(lineShown);
    if (line.size() > lineShown)
        shown += QStringLiteral("... (%1 more characters)").arg(line.size() - lineShown);
    lines << shown;
    if (lines.size() > linesKept)
        lines.removeFirst();
    return shown;
}
