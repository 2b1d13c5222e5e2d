#include "scriptline.h"

ScriptLine ScriptLine::parse(const QByteArray &bytes)
{
    ScriptLine line;
    line.text = QString::fromUtf8(bytes).trimmed();
    line.word = line.text.section(QLatin1Char(' '), 0, 0);
    line.rawArgument = line.text.section(QLatin1Char(' '), 1);
    line.argument = line.rawArgument;
    line.argument.replace(QLatin1String("\\n"), QLatin1String("\n"));
    return line;
}
