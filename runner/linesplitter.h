#pragma once

#include <QByteArray>
#include <QList>

// Cuts a script's output into lines as it arrives. A line counts once its line feed is there, so
// a command written in two pieces still runs as one. An unfinished line is kept until its line
// feed comes, up to a bound: a script that never ends its line cannot grow the plugin for ever.
class LineSplitter
{
public:
    static constexpr qsizetype maxPending = 64 * 1024;

    // The lines completed by chunk, each with its line feed; the unfinished rest as one more line
    // once it has reached maxPending.
    QList<QByteArray> feed(const QByteArray &chunk);

    // What is left without a line feed, for when the output has ended.
    QByteArray takeRest();

private:
    QByteArray pending;
};
