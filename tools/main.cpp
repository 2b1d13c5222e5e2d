// keyscript-host: plays the host for one plugin, so scripts can be tried without the real one.
#include "app/terminationsignals.h"
#include "hostoptions.h"
#include "hostsession.h"

#include <QCoreApplication>
#include <QDir>
#include <QTimer>

#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <string>
#include <thread>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
#ifdef Q_OS_WIN
    const QString pluginName = QStringLiteral("keyscript.exe");
#else
    const QString pluginName = QStringLiteral("keyscript");
#endif
    const HostOptions options = HostOptions::parse(
        app.arguments().mid(1), QDir(QCoreApplication::applicationDirPath()).filePath(pluginName));
    if (options.help) {
        fputs(qPrintable(HostOptions::usage()), stdout);
        return 0;
    }
    if (!options.error.isEmpty()) {
        fprintf(stderr, "keyscript-host: %s\n", qPrintable(options.error));
        return HostSession::UsageError;
    }

    HostSession session(options);
    QObject::connect(&session, &HostSession::finished, &app, &QCoreApplication::exit,
                     Qt::QueuedConnection);
    if (options.interactive) {
        // A blocking read has no portable way to be woken, so the reader is detached and the
        // process ends without waiting for it (see below).
        std::thread([&session] {
            std::string line;
            while (std::getline(std::cin, line)) {
                const QString text = QString::fromStdString(line);
                QMetaObject::invokeMethod(
                    &session, [&session, text] { session.inputLine(text); }, Qt::QueuedConnection);
            }
            QMetaObject::invokeMethod(
                &session, [&session] { session.inputClosed(); }, Qt::QueuedConnection);
        }).detach();
    }
    // Ctrl+C and the like end the run through the event loop, so that nothing is left behind.
    const TerminationSignals termination;
    QTimer::singleShot(0, &session, &HostSession::start);
    int code = QCoreApplication::exec();
    if (!session.hasFinished()) {
        fprintf(stderr, "keyscript-host: interrupted\n");
        code = HostSession::Interrupted;
    }
    session.stop();
    if (options.interactive) {
        fflush(stdout);
        std::_Exit(code); // the input reader may still be blocked, and uses the session
    }
    return code;
}
