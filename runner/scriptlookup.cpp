#include "scriptlookup.h"

#include "imagefile.h"
#include <QDir>

#include <QFile>

QString scriptFolder(const QString &applicationDir)
{
    return QDir(applicationDir).absoluteFilePath(QStringLiteral("../cmd"));
}

QString scriptBasePath(const QString &applicationDir, const QString &action)
{
    return scriptFolder(applicationDir) + QLatin1Char('/') + action;
}

bool isScriptName(const QString &action)
{
    return !action.isEmpty() && action != QLatin1String(".") && action != QLatin1String("..") &&
           !action.contains(QLatin1Char('/')) && !action.contains(QLatin1Char('\\')) &&
           !action.contains(QChar(0)) && !action.contains(QLatin1Char('@'));
}

const QStringList &scriptEvents()
{
    static const QStringList events{
        QStringLiteral("keyUp"), QStringLiteral("willAppear"), QStringLiteral("willDisappear"),
        QStringLiteral("didReceiveSettings"), QStringLiteral("dialRotate"),
        QStringLiteral("dialDown"), QStringLiteral("dialUp"), QStringLiteral("touchTap"),
        // The host sends these to the whole plugin: each action's script runs once.
        QStringLiteral("didReceiveDeepLink"), QStringLiteral("applicationDidLaunch"),
        QStringLiteral("applicationDidTerminate")};
    return events;
}

bool isPluginEvent(const QString &event)
{
    return event == QLatin1String("didReceiveDeepLink") ||
           event == QLatin1String("applicationDidLaunch") ||
           event == QLatin1String("applicationDidTerminate");
}

bool isDialEvent(const QString &event)
{
    return event == QLatin1String("dialRotate") || event == QLatin1String("dialDown") ||
           event == QLatin1String("dialUp") || event == QLatin1String("touchTap");
}

namespace {
// The name without a suffix of this system, in any letter case.
QString withoutSuffix(QString name)
{
    for (const QString &suffix : scriptSuffixes()) {
        if (!suffix.isEmpty() && name.endsWith(suffix, Qt::CaseInsensitive)) {
            name.chop(suffix.size());
            break;
        }
    }
    return name;
}
} // namespace

QString scriptAction(const QString &fileName)
{
    return withoutSuffix(fileName.section(QLatin1Char('@'), 0, 0));
}

QString scriptEvent(const QString &fileName)
{
    return fileName.contains(QLatin1Char('@'))
               ? withoutSuffix(fileName.section(QLatin1Char('@'), -1))
               : QString();
}

bool isLayoutReference(const QString &layout)
{
    static const QStringList builtIn{QStringLiteral("$X1"), QStringLiteral("$A0"),
                                     QStringLiteral("$A1"), QStringLiteral("$B1"),
                                     QStringLiteral("$B2"), QStringLiteral("$C1")};
    if (layout.startsWith(QLatin1Char('$')))
        return builtIn.contains(layout);
    // A backslash parts a path on Windows, so it parts one here too; a drive or "//server"
    // leaves the folder.
    const QString clean =
        QDir::cleanPath(QString(layout).replace(QLatin1Char('\\'), QLatin1Char('/')));
    return !clean.isEmpty() && !clean.contains(QLatin1Char(':')) && !QDir::isAbsolutePath(clean) &&
           !clean.startsWith(QLatin1Char('/')) && clean != QLatin1String("..") &&
           !clean.startsWith(QLatin1String("../"));
}

bool interpreterLineEndsInCarriageReturn(const QString &path)
{
    // A FIFO or a device among the scripts must not stop the plugin: only a regular file is read.
    const QByteArray start = ImageFile::start(path, 4096);
    const qsizetype end = start.indexOf('\n');
    return start.startsWith("#!") && end > 0 && start.at(end - 1) == '\r';
}
