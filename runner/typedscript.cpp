#include "typedscript.h"

#include <QCryptographicHash>
#include <QDir>
#include <QRegularExpression>

bool TypedActions::isTyped(const QString &action)
{
    return action == run() || action == watch();
}

bool TypedActions::runsOn(const QString &action, const QString &event)
{
    if (!isTyped(action))
        return false;
    if (event == QLatin1String("willAppear"))
        return action == watch();
    return event == QLatin1String("keyDown") || event == QLatin1String("dialRotate") ||
           event == QLatin1String("dialDown") || event == QLatin1String("touchTap");
}

const QStringList &TypedActions::interpreters()
{
    static const QStringList names{QStringLiteral("sh"),   QStringLiteral("bash"),
                                   QStringLiteral("zsh"),  QStringLiteral("python3"),
                                   QStringLiteral("node"), QStringLiteral("powershell"),
                                   QStringLiteral("pwsh"), QStringLiteral("cmd")};
    return names;
}

QString TypedActions::defaultInterpreter()
{
#ifdef Q_OS_WIN
    return QStringLiteral("powershell");
#else
    return QStringLiteral("sh");
#endif
}

namespace {

QString textOf(const QJsonValue &value)
{
    if (value.isString())
        return value.toString();
    if (value.isDouble())
        return QString::number(value.toDouble(), 'g', 17);
    if (value.isBool())
        return value.toBool() ? QStringLiteral("true") : QStringLiteral("false");
    return QString();
}

} // namespace

TypedScript TypedScript::fromSettings(const QJsonObject &settings)
{
    TypedScript typed;
    typed.settings = settings;
    typed.text = typed.settings.take(QLatin1String("script")).toString();
    typed.interpreter = textOf(settings.value(QLatin1String("interpreter"))).trimmed();
    if (typed.interpreter.isEmpty())
        typed.interpreter = TypedActions::defaultInterpreter();
    typed.folder = textOf(settings.value(QLatin1String("folder"))).trimmed();
    if (typed.folder.isEmpty() || typed.folder == QLatin1String("~"))
        typed.folder = QDir::homePath();
    else if (typed.folder.startsWith(QLatin1String("~/")) ||
             typed.folder.startsWith(QLatin1String("~\\")))
        typed.folder = QDir::homePath() + typed.folder.mid(1);
    const QJsonValue title = settings.value(QLatin1String("title"));
    typed.title = title.isUndefined() ? QStringLiteral("{output}") : textOf(title);
    typed.alertOnFailure =
        textOf(settings.value(QLatin1String("onFailure"))) != QLatin1String("none");
    typed.okOnSuccess = textOf(settings.value(QLatin1String("onSuccess"))) == QLatin1String("ok");
    bool isNumber = false;
    const double every =
        textOf(settings.value(QLatin1String("every"))).trimmed().toDouble(&isNumber);
    // At most a day: a longer wait is no watch, and the timer takes no more.
    if (isNumber && every >= 1)
        typed.everySeconds = every > 86400 ? 86400 : int(every);
    return typed;
}

QByteArray TypedScript::fingerprint(const QString &interpreter, const QString &text)
{
    QCryptographicHash hash(QCryptographicHash::Sha256);
    hash.addData(interpreter.toUtf8());
    hash.addData(QByteArray(1, '\0'));
    hash.addData(text.toUtf8());
    return hash.result().toHex();
}

QString TypedScript::fileSuffix() const
{
    if (interpreter == QLatin1String("powershell") || interpreter == QLatin1String("pwsh"))
        return QStringLiteral(".ps1");
    if (interpreter == QLatin1String("cmd"))
        return QStringLiteral(".cmd");
    if (interpreter == QLatin1String("python3"))
        return QStringLiteral(".py");
    if (interpreter == QLatin1String("node"))
        return QStringLiteral(".js");
    return QStringLiteral(".sh");
}

QByteArray TypedScript::fileContent() const
{
    QByteArray content = text.toUtf8();
    content.replace("\r\n", "\n");
    if (!content.isEmpty() && !content.endsWith('\n'))
        content += '\n'; // a last line without its line feed is lost to cmd and some shells
    if (interpreter == QLatin1String("cmd"))
        content.replace("\n", "\r\n");
    else if (fileSuffix() == QLatin1String(".ps1"))
        content.prepend("\xEF\xBB\xBF");
    return content;
}

QString TypedScript::titleFor(const QString &output, int exitCode) const
{
    static const QRegularExpression field(QStringLiteral("\\{([^{}]*)\\}"));
    // As in a script's setTitle, a backslash and n in the template part the title's lines.
    const auto literal = [this](qsizetype from, qsizetype length) {
        return this->title.mid(from, length).replace(QLatin1String("\\n"), QLatin1String("\n"));
    };
    QString title;
    qsizetype from = 0;
    for (auto it = field.globalMatch(this->title); it.hasNext();) {
        const QRegularExpressionMatch match = it.next();
        title += literal(from, match.capturedStart() - from);
        const QString name = match.captured(1);
        if (name == QLatin1String("output"))
            title += output;
        else if (name == QLatin1String("exit"))
            title += QString::number(exitCode);
        else if (settings.contains(name))
            title += textOf(settings.value(name));
        else
            title += match.captured(0);
        from = match.capturedEnd();
    }
    return title + literal(from, -1);
}
