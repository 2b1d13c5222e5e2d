#include "linesplitter.h"

#include <utility>

QList<QByteArray> LineSplitter::feed(const QByteArray &chunk)
{
    QList<QByteArray> lines;
    pending += chunk;
    qsizetype start = 0;
    for (qsizetype end = pending.indexOf('\n'); end >= 0; end = pending.indexOf('\n', start)) {
        lines.append(pending.mid(start, end + 1 - start));
        start = end + 1;
    }
    pending.remove(0, start);
    if (pending.size() >= maxPending)
        lines.append(takeRest());
    return lines;
}

QByteArray LineSplitter::takeRest()
{
    return std::exchange(pending, QByteArray());
}
