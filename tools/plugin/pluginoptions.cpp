#include "pluginoptions.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QUrl>

#ifndef KEYSCRIPT_VERSION
#define KEYSCRIPT_VERSION "0.0.0"
#endif

PluginIdentity PluginOptions::keyscriptIdentity()
{
    return {QStringLiteral("org.keyscript"),
            QStringLiteral("keyscript"),
            QStringLiteral(KEYSCRIPT_VERSION ".0"),
            QStringLiteral("keyscript"),
            QStringLiteral("Runs a script of yours for every key: what it prints shows on the "
                           "key."),
            QString()};
}

PluginSystem PluginOptions::defaultSystem()
{
#ifdef Q_OS_WIN
    return PluginSystem::Windows;
#else
    return PluginSystem::Mac;
#endif
}

bool PluginOptions::hostRunsHere()
{
#if defined(Q_OS_WIN) || defined(Q_OS_MACOS)
    return true;
#else
    return false;
#endif
}

PluginOptions PluginOptions::parse(const QStringList &arguments, const QString &defaultScripts)
{
    PluginOptions options;
    options.identity = keyscriptIdentity();
    options.scriptsFolder = defaultScripts;
    options.outDir = QDir::currentPath();
    bool outGiven = false;
    const auto fail = [&options](const QString &message) {
        if (options.error.isEmpty())
            options.error = message;
    };
    for (qsizetype index = 0; index < arguments.size() && options.error.isEmpty(); ++index) {
        const QString word = arguments.at(index);
        if (word == QLatin1String("-h") || word == QLatin1String("--help")) {
            options.help = true;
            continue;
        }
        if (word == QLatin1String("--install")) {
            options.install = true;
            continue;
        }
        if (word == QLatin1String("--link")) {
            options.link = true;
            continue;
        }
        if (word == QLatin1String("--pack")) {
            options.pack = true;
            continue;
        }
        if (word == QLatin1String("--follow-links")) {
            options.followLinks = true;
            continue;
        }
        if (word == QLatin1String("--drop-actions")) {
            options.dropActions = true;
            continue;
        }
        static const QStringList valued{
            QStringLiteral("--cmd"),     QStringLiteral("--uuid"),        QStringLiteral("--name"),
            QStringLiteral("--version"), QStringLiteral("--author"),      QStringLiteral("--for"),
            QStringLiteral("--out"),     QStringLiteral("--support-url"), QStringLiteral("--from")};
        if (!valued.contains(word)) {
            fail(QStringLiteral("plugin: unknown argument \"%1\" (see keyscript-host plugin "
                                "--help)")
                     .arg(word));
            break;
        }
        if (index + 1 >= arguments.size()) {
            fail(QStringLiteral("%1 needs a value").arg(word));
            break;
        }
        const QString value = arguments.at(++index);
        if (word == QLatin1String("--cmd")) {
            options.scriptsFolder = value;
        } else if (word == QLatin1String("--uuid")) {
            options.identity.uuid = value;
            if (!PluginPlan::isUuid(value))
                fail(QStringLiteral("--uuid \"%1\" is no UUID the host accepts: lower-case "
                                    "letters, digits and \"-\" in reverse-DNS form, such as "
                                    "com.me.keys")
                         .arg(value));
        } else if (word == QLatin1String("--name")) {
            options.identity.name = value.trimmed();
            if (options.identity.name.isEmpty())
                fail(QStringLiteral("--name needs a name to show"));
        } else if (word == QLatin1String("--version")) {
            // One to four whole numbers; the host wants four.
            static const QRegularExpression version(
                QStringLiteral("^(0|[1-9][0-9]*)(\\.(0|[1-9][0-9]*)){0,3}$"));
            options.identity.version = value;
            while (options.identity.version.count(QLatin1Char('.')) < 3)
                options.identity.version += QLatin1String(".0");
            if (!version.match(value).hasMatch())
                fail(QStringLiteral("--version takes up to four whole numbers, such as 1.2.0.0, "
                                    "not \"%1\"")
                         .arg(value));
        } else if (word == QLatin1String("--author")) {
            options.identity.author = value;
        } else if (word == QLatin1String("--support-url")) {
            const QUrl url(value, QUrl::StrictMode);
            options.identity.supportUrl = value;
            if (!url.isValid() || url.host().isEmpty() ||
                (url.scheme() != QLatin1String("https") && url.scheme() != QLatin1String("http")))
                fail(QStringLiteral("--support-url takes a web address, such as "
                                    "https://example.com/help, not \"%1\"")
                         .arg(value));
        } else if (word == QLatin1String("--from")) {
            options.fromFile = value;
        } else if (word == QLatin1String("--for")) {
            options.systemGiven = true;
            if (value == QLatin1String("windows"))
                options.system = PluginSystem::Windows;
            else if (value == QLatin1String("mac"))
                options.system = PluginSystem::Mac;
            else
                fail(QStringLiteral("--for takes windows or mac, not \"%1\"").arg(value));
        } else {
            options.outDir = value;
            outGiven = true;
        }
    }
    if (options.install && outGiven)
        fail(QStringLiteral("--install and --out: the plugin is installed into the host's "
                            "plugins folder; give one of them"));
    if (options.pack && options.link)
        fail(QStringLiteral("--pack and --link: an installer file goes to other computers, "
                            "where a link to this one's scripts leads nowhere; give one of them"));
    if (options.install && options.system != defaultSystem())
        fail(QStringLiteral("--install puts a plugin for this system into the host; a folder "
                            "for another system is made with --out"));
    if (options.error.isEmpty() && !QFileInfo(options.scriptsFolder).isDir())
        fail(QStringLiteral("the scripts' folder %1 is no folder")
                 .arg(QDir::toNativeSeparators(options.scriptsFolder)));
    options.scriptsFolder = QFileInfo(options.scriptsFolder).absoluteFilePath();
    return options;
}

QString PluginOptions::usage()
{
    return QStringLiteral(
        R"(Usage: keyscript-host plugin [--cmd DIR] [--uuid U] [--name N] [options]

Makes a plugin folder the host installs, UUID.sdPlugin, from a folder of scripts: keyscript's
program (copied from beside this keyscript-host), copies of the scripts in cmd/, a manifest
with one action for every action that has a script, and its images.

An action's name, tooltip and states come from header lines near the top of one of its
scripts, as a comment in the script's own language:
  # keyscript name: Mute microphone       (default: the last part of the action's name)
  # keyscript tooltip: Mutes the default microphone
  # keyscript states: 2                   (the script sets the state; default 1)
  # keyscript states: Off, On             (two states, with their names)
ACTION.svg or ACTION.png beside the scripts is the key's image, ACTION.0.svg and ACTION.1.svg
its states', ACTION.icon.svg its icon in the host's list; a PNG takes its ACTION@2x.png along.
Only files inside the scripts' folder are copied: what is left out is listed.

Options:
  --cmd DIR          the scripts (default: cmd/ beside this program's folder)
  --uuid U           the plugin's UUID, such as com.me.keys; every action's name should
                     begin with it (default org.keyscript)
  --name N           the plugin's name in the host's action list (default keyscript)
  --version V        up to four whole numbers (default: keyscript's version)
  --author A         (default keyscript)
  --support-url URL  a web page of help, behind a button above the settings page (the
                     plugin then needs the host 6.9 or later)
  --for windows|mac  the system the folder is for (default: this one, or --from's); without
                     --from, keyscript's program for it must be beside this keyscript-host.
                     On Linux the folder is for trying here
  --from FILE        take keyscript's programs from one of its installer files, for Windows
                     or macOS (org.keyscript.streamDeckPlugin): a plugin for that system,
                     made on any system
  --out DIR          where UUID.sdPlugin is made (default: the current folder); one that
                     is there is replaced whole
  --install          make it in the host's plugins folder; restart the host to see it
  --pack             also write UUID.streamDeckPlugin beside the folder: the host's
                     installer file, which installs the plugin where it is opened (with
                     --from, on the other system)
  --link             cmd/ is a link to the scripts' folder (a junction on Windows), not
                     copies: an edited script applies at its next press. A new or renamed
                     action, a header or a picture needs this run again. For this computer
                     only: such a folder is no plugin to share
  --follow-links     copy what links lead to outside the scripts' folder, too (each is
                     named); without it such links are left out
  --drop-actions     make it though actions of the plugin made before would go (keys
                     placed with them become keys of a missing action)
  -h, --help         show this text

Exit codes: 0 made; 2 usage error; 9 the scripts make no plugin the host accepts (each
reason on standard error); 10 the folder could not be made or installed; 11 actions of the
plugin made before would go, which --drop-actions allows.
)");
}
