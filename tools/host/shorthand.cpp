// The words of a line of interactive input.
#include "shorthand.h"

namespace {

// Where the JSON object that starts at begin ends (one past its closing brace, or the end).
qsizetype objectEnd(const QString &text, qsizetype begin)
{
    int depth = 0;
    bool inString = false;
    for (qsizetype i = begin; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (inString) {
            if (c == QLatin1Char('\\'))
                ++i;
            else if (c == QLatin1Char('"'))
                inString = false;
        } else if (c == QLatin1Char('"')) {
            inString = true;
        } else if (c == QLatin1Char('{')) {
            ++depth;
        } else if (c == QLatin1Char('}') && --depth == 0) {
            return i + 1;
        }
    }
    return text.size();
}

} // namespace

QStringList splitShorthand(const QString &line)
{
    QStringList words;
    for (qsizetype i = 0; i < line.size();) {
        if (line.at(i).isSpace()) {
            ++i;
            continue;
        }
        if (line.at(i) == QLatin1Char('{')) { // a bare JSON object, spaces and all
            const qsizetype end = objectEnd(line, i);
            words << line.mid(i, end - i);
            i = end;
            continue;
        }
        // As a shell reads it: '...' holds everything, "..." all but \" and \\.
        QString word;
        while (i < line.size() && !line.at(i).isSpace()) {
            const QChar c = line.at(i++);
            if (c == QLatin1Char('\'')) {
                const qsizetype close = line.indexOf(QLatin1Char('\''), i);
                const qsizetype end = close < 0 ? line.size() : close;
                word += line.mid(i, end - i);
                i = end + 1;
            } else if (c == QLatin1Char('"')) {
                while (i < line.size() && line.at(i) != QLatin1Char('"')) {
                    if (line.at(i) == QLatin1Char('\\') && i + 1 < line.size() &&
                        (line.at(i + 1) == QLatin1Char('"') || line.at(i + 1) == QLatin1Char('\\')))
                        ++i;
                    word += line.at(i++);
                }
                ++i;
            } else {
                word += c;
            }
        }
        words << word;
    }
    return words;
}
