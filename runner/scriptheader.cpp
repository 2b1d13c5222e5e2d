#include "scriptheader.h"

#include <QList>
#include <QRegularExpression>

#include <algorithm>

namespace {

// The comment markers of the script languages an author may write in, longest first where
// one begins another. "REM" is batch's, in any letter case and with an optional "@".
const QLatin1String commentMarkers[] = {QLatin1String("//"), QLatin1String("--"),
                                        QLatin1String("::"), QLatin1String("#"),
                                        QLatin1String(";")};

// The text after the line's comment marker; a null string when the line is no comment.
QString commentText(QString line, int number)
{
    line = line.trimmed();
    if (number == 1 && line.startsWith(QLatin1String("#!")))
        return QString();
    static const QRegularExpression rem(QStringLiteral("^@?rem(\\s|$)"),
                                        QRegularExpression::CaseInsensitiveOption);
    if (const QRegularExpressionMatch match = rem.match(line); match.hasMatch())
        return line.mid(match.capturedLength());
    for (const QLatin1String &marker : commentMarkers) {
        if (line.startsWith(marker))
            return line.mid(marker.size());
    }
    return QString();
}

// Why a name, tooltip or state name is no text the host can show on one line; empty when it is.
QString whyNotShown(const QString &value, int longest)
{
    if (value.contains(QChar::ReplacementCharacter))
        return QStringLiteral("is not valid UTF-8");
    bool blank = true;
    for (const QChar c : value) {
        if (c.category() == QChar::Other_Control || c == QChar::LineSeparator ||
            c == QChar::ParagraphSeparator)
            return QStringLiteral("holds a control character");
        if (!c.isSpace() && c.category() != QChar::Other_Format)
            blank = false;
    }
    if (blank)
        return QStringLiteral("is blank");
    if (value.toUcs4().size() > longest)
        return QStringLiteral("is longer than the %1 characters the host shows").arg(longest);
    return QString();
}

// A count of states the host takes, or the names of one or two states it can show.
bool isStatesValue(const QString &value)
{
    if (value == QLatin1String("1") || value == QLatin1String("2"))
        return true;
    const QStringList names = ScriptHeader::stateNames(value);
    return !names.isEmpty() && names.size() <= 2 &&
           std::all_of(names.cbegin(), names.cend(), [](const QString &name) {
               return whyNotShown(name, ScriptHeader::longestName).isEmpty();
           });
}

// "NAME DEVICE-TYPE": a profile's name, a space, and a whole number.
const QRegularExpression &profileValue()
{
    static const QRegularExpression value(QStringLiteral("^(.*\\S)\\s+(\\d{1,3})$"));
    return value;
}

// Why a "watch-app:" value names no application the host can watch; empty when it does. The
// host knows a macOS application by its bundle identifier, a Windows one by its program's name.
QString whyNotWatched(const QString &value)
{
    static const QRegularExpression bundle(QStringLiteral("^[A-Za-z0-9-]+(\\.[A-Za-z0-9-]+)+$"));
    static const QRegularExpression program(QStringLiteral("^[^\\\\/:*?\"<>|]+\\.exe$"),
                                            QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression bundleFolder(QStringLiteral("^[^.]*\\.app$"),
                                                 QRegularExpression::CaseInsensitiveOption);
    if (bundleFolder.match(value).hasMatch())
        return QStringLiteral("names a macOS application by its bundle identifier "
                              "(com.apple.mail, from its Info.plist), not by its folder \"%1\"")
            .arg(value);
    if (program.match(value).hasMatch() || bundle.match(value).hasMatch())
        return QString();
    return QStringLiteral("is a macOS bundle identifier (com.apple.mail) or a Windows program's "
                          "name (notepad.exe), without a folder, not \"%1\"")
        .arg(value);
}

} // namespace

QString ScriptHeader::profileName(const QString &value)
{
    return profileValue().match(value).captured(1);
}

int ScriptHeader::profileDeviceType(const QString &value)
{
    return profileValue().match(value).captured(2).toInt();
}

bool ScriptHeader::isMacApp(const QString &value)
{
    return !value.endsWith(QLatin1String(".exe"), Qt::CaseInsensitive);
}

QStringList ScriptHeader::stateNames(const QString &value)
{
    bool number = false;
    value.toInt(&number);
    if (number)
        return QStringList(); // a count, which is 1 or 2
    QStringList names = value.split(QLatin1Char(','));
    for (QString &name : names)
        name = name.trimmed();
    return names;
}

qint64 ScriptHeader::intervalMs(const QString &value)
{
    static const QRegularExpression time(QStringLiteral("^(\\d{1,9})\\s*(ms|s|m)$"));
    const QRegularExpressionMatch match = time.match(value);
    if (!match.hasMatch())
        return -1;
    const QString unit = match.captured(2);
    const qint64 ms = match.captured(1).toLongLong() * (unit == QLatin1String("m")   ? 60000
                                                        : unit == QLatin1String("s") ? 1000
                                                                                     : 1);
    return ms >= minimumIntervalMs ? ms : -1;
}

ScriptHeader ScriptHeader::read(const QByteArray &start)
{
    ScriptHeader header;
    const struct
    {
        QLatin1String word;
        Field ScriptHeader::*field;
    } fields[] = {
        {QLatin1String("name"), &ScriptHeader::name},
        {QLatin1String("tooltip"), &ScriptHeader::tooltip},
        {QLatin1String("states"), &ScriptHeader::states},
        {QLatin1String("user-title"), &ScriptHeader::userTitle},
        {QLatin1String("on-failure"), &ScriptHeader::onFailure},
        {QLatin1String("on-success"), &ScriptHeader::onSuccess},
        {QLatin1String("every"), &ScriptHeader::every},
        {QLatin1String("shell"), &ScriptHeader::shell},
        {QLatin1String("layout"), &ScriptHeader::layout},
        {QLatin1String("rotate"), &ScriptHeader::rotate},
        {QLatin1String("push"), &ScriptHeader::push},
        {QLatin1String("touch"), &ScriptHeader::touch},
        {QLatin1String("long-touch"), &ScriptHeader::longTouch},
    };
    // A built-in layout of the host's, or a layout file's path inside the scripts' folder.
    static const QRegularExpression layoutValue(
        QStringLiteral("^(\\$(X1|A0|A1|B1|B2|C1)|(?![./\\\\])(?!.*\\.\\.)[^:]+\\.json)$"));
    const auto isText = [](Field ScriptHeader::*field) {
        return field == &ScriptHeader::name || field == &ScriptHeader::tooltip ||
               field == &ScriptHeader::rotate || field == &ScriptHeader::push ||
               field == &ScriptHeader::touch || field == &ScriptHeader::longTouch;
    };
    // "keyscript", a word, and what follows it: the word is a field's, or it ends in a colon.
    static const QRegularExpression headerLine(
        QStringLiteral("^\\s*keyscript\\s+([A-Za-z][A-Za-z-]*)(\\s*:)?\\s*(.*)$"));

    const QList<QByteArray> lines = start.split('\n');
    for (int index = 0; index < lines.size() && index < linesRead; ++index) {
        const int number = index + 1;
        const QString text = commentText(QString::fromUtf8(lines.at(index)), number);
        const QRegularExpressionMatch match = headerLine.match(text);
        if (!match.hasMatch())
            continue;
        const QString word = match.captured(1);
        const bool colon = match.capturedLength(2) > 0;
        const QString value = match.captured(3).trimmed();
        const auto fail = [&header, number](const QString &why) {
            header.errors << QStringLiteral("line %1: %2").arg(number).arg(why);
        };
        if ((word == QLatin1String("setting") || word == QLatin1String("shared-setting")) &&
            colon) {
            QString why;
            if (const std::optional<DeclaredSetting> setting = DeclaredSetting::parse(value, &why))
                (word == QLatin1String("setting") ? header.settings : header.sharedSettings)
                    << *setting;
            else
                fail(why);
            continue;
        }
        if (word == QLatin1String("profile") && colon) {
            const QRegularExpressionMatch profile = profileValue().match(value);
            if (!profile.hasMatch() || profile.captured(2).toInt() > highestDeviceType)
                fail(QStringLiteral("\"keyscript profile:\" is a profile's name in profiles/ and "
                                    "the host's number for its type of device, 0 to %1, not "
                                    "\"%2\"")
                         .arg(highestDeviceType)
                         .arg(value));
            else
                header.profiles << Field{value, number};
            continue;
        }
        if (word == QLatin1String("watch-app") && colon) {
            if (const QString why = whyNotWatched(value); !why.isEmpty())
                fail(QStringLiteral("\"keyscript watch-app:\" %1").arg(why));
            else
                header.watchApps << Field{value, number};
            continue;
        }
        Field ScriptHeader::*field = nullptr;
        for (const auto &entry : fields) {
            if (word == entry.word)
                field = entry.field;
        }
        if (!field && !colon)
            continue; // prose that happens to begin with the word
        if (!field) {
            fail(QStringLiteral(
                     "\"keyscript %1:\" is no header; the headers are name, tooltip, states, "
                     "user-title, on-failure, on-success, every, shell, setting, shared-setting, "
                     "layout, rotate, push, touch, long-touch, profile and watch-app")
                     .arg(word));
        } else if (!colon) {
            fail(QStringLiteral("a colon belongs after \"keyscript %1\"").arg(word));
        } else if (value.isEmpty()) {
            fail(QStringLiteral("\"keyscript %1:\" needs a value after the colon").arg(word));
        } else if (const QString why = whyNotShown(
                       value, field == &ScriptHeader::tooltip ? longestTooltip : longestName);
                   isText(field) && !why.isEmpty()) {
            fail(QStringLiteral("\"keyscript %1:\" %2").arg(word, why));
        } else if (field == &ScriptHeader::layout && !layoutValue.match(value).hasMatch()) {
            fail(QStringLiteral("\"keyscript layout:\" is one of the host's layouts ($X1, $A0, "
                                "$A1, $B1, $B2, $C1) or a .json file beside the scripts, not "
                                "\"%1\"")
                     .arg(value));
        } else if (field == &ScriptHeader::states && !isStatesValue(value)) {
            fail(QStringLiteral("\"keyscript states:\" is 1, 2 or the names of one or two "
                                "states (Off, On), each one line of at most %1 characters, not "
                                "\"%2\"")
                     .arg(longestName)
                     .arg(value));
        } else if (field == &ScriptHeader::every && intervalMs(value) < 0) {
            fail(QStringLiteral("\"keyscript every:\" is a time such as 5s, 500ms or 1m, at "
                                "least %1ms, not \"%2\"")
                     .arg(minimumIntervalMs)
                     .arg(value));
        } else if (field == &ScriptHeader::shell && value != QLatin1String("pwsh") &&
                   value != QLatin1String("powershell")) {
            fail(QStringLiteral("\"keyscript shell:\" is pwsh or powershell, not \"%1\"")
                     .arg(value));
        } else if (field == &ScriptHeader::onFailure && value != QLatin1String("alert")) {
            fail(QStringLiteral("\"keyscript on-failure:\" is alert, not \"%1\"").arg(value));
        } else if (field == &ScriptHeader::onSuccess && value != QLatin1String("ok")) {
            fail(QStringLiteral("\"keyscript on-success:\" is ok, not \"%1\"").arg(value));
        } else if (field == &ScriptHeader::userTitle && value != QLatin1String("on") &&
                   value != QLatin1String("off")) {
            fail(QStringLiteral("\"keyscript user-title:\" is on or off, not \"%1\"").arg(value));
        } else if ((header.*field).line > 0) {
            fail(QStringLiteral("\"keyscript %1:\" was given on line %2 already")
                     .arg(word)
                     .arg((header.*field).line));
        } else {
            header.*field = Field{value, number};
        }
    }
    return header;
}
