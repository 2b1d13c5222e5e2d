#include "launcharguments.h"
#include "messagehandler.h"
#include "plugin.h"
#include "terminationsignals.h"

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDebug>
#include <QLoggingCategory>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    qInstallMessageHandler(messageHandler);

    LaunchArguments arguments{0, QString(), QString(), QString()};
    {
        QCommandLineParser parser;
        // -port names the option "port", not the letters p, o, r, t.
        parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
        const QCommandLineOption help = parser.addHelpOption();

        const QCommandLineOption port(QStringLiteral("port"), QString(), QStringLiteral("port"),
                                      QStringLiteral("0"));
        const QCommandLineOption pluginUUID(QStringLiteral("pluginUUID"), QString(),
                                            QStringLiteral("pluginUUID"));
        const QCommandLineOption registerEvent(QStringLiteral("registerEvent"), QString(),
                                               QStringLiteral("registerEvent"));
        const QCommandLineOption info(QStringLiteral("info"), QString(), QStringLiteral("info"));
        parser.addOption(port);
        parser.addOption(pluginUUID);
        parser.addOption(registerEvent);
        parser.addOption(info);

        // A host newer than this plugin may pass arguments it does not know: they are said
        // once in the log and ignored, and the plugin registers with what it does know.
        if (!parser.parse(QCoreApplication::arguments()))
            qDebug() << "Launch arguments ignored:" << qUtf8Printable(parser.errorText());
        if (parser.isSet(help))
            parser.showHelp(0);

        arguments.port = parser.value(port).toInt(nullptr, 10);
        arguments.pluginUUID = parser.value(pluginUUID);
        arguments.registerEvent = parser.value(registerEvent);
        arguments.info = parser.value(info);
    }

    // The host is reached over plain ws:// on loopback, so no TLS backend is needed; without
    // plugin paths none is loaded, which keeps OpenSSL and its company (some 5 MB resident) out
    // of the process, and the warnings about the missing backend out of the log.
    QCoreApplication::setLibraryPaths({});
    QLoggingCategory::setFilterRules(QStringLiteral("qt.network.ssl.warning=false"));

    // Before the plugin, so it is destroyed after the plugin's teardown that it may wait for.
    const TerminationSignals termination;
    Plugin plugin;
    // Without a connection the process stays up, idle, until the host ends it: a termination
    // signal makes the event loop return, and the plugin's teardown runs.
    plugin.init(arguments);
    return QCoreApplication::exec();
}
