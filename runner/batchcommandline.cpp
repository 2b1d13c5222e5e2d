#include "batchcommandline.h"

namespace {

bool needsQuotes(const QString &argument)
{
    if (argument.isEmpty() || argument.endsWith(QLatin1Char('\\')))
        return true;
    static const QString plain = QStringLiteral("#$*+-./:?@\\_");
    for (const QChar c : argument) {
        if (c.category() == QChar::Other_Control)
            return true;
        if (c.unicode() < 0x80 && !c.isLetterOrNumber() && !plain.contains(c))
            return true;
    }
    return false;
}

void append(QString &line, const QString &argument, bool quote)
{
    // cmd.exe gives a backslash no meaning before a quote (%1 is the text as written), so a
    // backslash stays one: "C:\dir\" reaches %~1 as C:\dir\.
    if (quote)
        line += QLatin1Char('"');
    for (const QChar c : argument) {
        if (c == QLatin1Char('"')) {
            line += QLatin1Char('"'); // doubled, so that the quotes stay paired
        } else if (c == QLatin1Char('%')) {
            // "%cd:~,%" expands to nothing and keeps cmd.exe from pairing this % with another.
            line += QLatin1String("%%cd:~,");
        }
        line += c;
    }
    if (quote)
        line += QLatin1Char('"');
}

bool isSafe(const QString &text)
{
    return !text.contains(QLatin1Char('\n')) && !text.contains(QLatin1Char('\r')) &&
           !text.contains(QChar(0));
}

} // namespace

std::optional<QString> batchCommandLine(const QString &script, const QStringList &arguments)
{
    if (!isSafe(script))
        return std::nullopt;
    // cmd.exe takes the first and the last quote after /c away, hence the outer pair.
    QString line = QStringLiteral("/d /e:ON /v:OFF /c \"");
    append(line, script, true);
    for (const QString &argument : arguments) {
        if (!isSafe(argument))
            return std::nullopt;
        line += QLatin1Char(' ');
        append(line, argument, needsQuotes(argument));
    }
    line += QLatin1Char('"');
    return line;
}
