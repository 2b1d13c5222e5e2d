#include "linesplitter.h"

#include <utility>

QList<QByteArray> LineSplitter::feed(const QByteArray &chunk)
{
    QList<QByteArray> lines;
    qsizetype start = 0;
    while (start < chunk.size()) {
        const qsizetype end = chunk.indexOf('\n', start);
        const qsizetype stop = end < 0 ? chunk.size() : end + 1;
        if (!discarding) {
            // Never more than the bound: at most maxPending bytes are kept of any one line.
            const qsizetype room = maxPending - pending.size();
            if (stop - start <= room) {
                pending.append(chunk.constData() + start, stop - start);
                if (end >= 0)
                    lines.append(std::exchange(pending, QByteArray()));
            } else {
                pending.append(chunk.constData() + start, room);
                lines.append(std::exchange(pending, QByteArray()));
                discarding = true;
            }
        }
        if (end >= 0)
            discarding = false; // the line feed ends the line that was cut, and is dropped with it
        start = stop;
    }
    // A line that fills the bound exactly is cut now, not when more arrives.
    if (pending.size() == maxPending) {
        lines.append(std::exchange(pending, QByteArray()));
        discarding = true;
    }
    return lines;
}

QByteArray LineSplitter::takeRest()
{
    discarding = false;
    return std::exchange(pending, QByteArray());
}
