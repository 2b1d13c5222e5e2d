#pragma once

#include <QByteArray>
#include <QList>

// Cuts a script's output into lines as it arrives. A line counts once its line feed is there, so
// a command written in two pieces still runs as one. A line is at most maxPending bytes: once an
// unfinished line reaches the bound, its first maxPending bytes are a line of their own and the
// rest, up to and including its line feed, is dropped. A script that never ends its line cannot
// grow the plugin, and what follows the bound is never read as a command of its own.
class LineSplitter
{
public:
    static constexpr qsizetype maxPending = 64 * 1024;

    // The lines completed by chunk, each with its line feed; a cut line without one.
    QList<QByteArray> feed(const QByteArray &chunk);

    // What is left without a line feed, for when the output has ended.
    QByteArray takeRest();

private:
    QByteArray pending;
    bool discarding = false; // dropping the rest of a line that was cut at the bound
};
