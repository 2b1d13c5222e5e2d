// keyscript-host: plays the host for one plugin, so scripts can be tried without the real one.
#include "app/terminationsignals.h"
#include "deck/deckserver.h"
#include "host/hostoptions.h"
#include "host/hostsession.h"
#include "plugin/makeplugin.h"
#include "runner/scriptlookup.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryFile>
#include <QThread>
#include <QTimer>
#include <QUrl>

#include <cstdio>
#ifdef Q_OS_WIN
#include <io.h>
#include <qt_windows.h>
#else
#include <unistd.h>
#endif
#include <cstdlib>
#include <iostream>
#include <memory>
#include <string>

namespace {

bool isTerminal()
{
#ifdef Q_OS_WIN
    return _isatty(_fileno(stdin)) != 0;
#else
    return isatty(STDIN_FILENO) != 0;
#endif
}

// Ends the process at once, with nothing torn down: the input reader may still be blocked in its
// read, and uses the session. Windows' usual exit would run the libraries' teardown while
// threads of Qt's own may still run; ending the process runs none.
[[noreturn]] void endAtOnce(int code)
{
    fflush(stdout);
    fflush(stderr);
#ifdef Q_OS_WIN
    TerminateProcess(GetCurrentProcess(), UINT(code));
#endif
    std::_Exit(code);
}

void openInBrowser(const QString &url)
{
#if defined(Q_OS_WIN)
    QProcess::startDetached(QStringLiteral("rundll32"),
                            {QStringLiteral("url.dll,FileProtocolHandler"), url});
#elif defined(Q_OS_MACOS)
    QProcess::startDetached(QStringLiteral("open"), {url});
#else
    QProcess::startDetached(QStringLiteral("xdg-open"), {url});
#endif
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    if (app.arguments().value(1) == QLatin1String("plugin"))
        return makePlugin(app.arguments().mid(2), QCoreApplication::applicationDirPath());
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
    std::unique_ptr<DeckServer> deck;
    std::unique_ptr<QTemporaryFile> openPage; // removed when the deck ends
    // The deck's keys are read before its address is given: a page would find no deck.
    if (options.deck && !session.loadKeys())
        return HostSession::UsageError;
    if (options.deck) {
        deck = std::make_unique<DeckServer>(
            session, options.deckColumns, options.deckRows, options.deckDials,
            options.cmdDir.isEmpty() ? scriptFolder(QFileInfo(options.plugin).absolutePath())
                                     : options.cmdDir);
        if (!deck->listen()) {
            fprintf(stderr, "keyscript-host: cannot serve the deck: %s\n",
                    qPrintable(deck->errorString()));
            return HostSession::UsageError;
        }
        fprintf(stdout, "The deck: %s\n", qPrintable(deck->address()));
        fflush(stdout);
        if (options.openDeck) {
            // The address holds the deck's secret: it goes to the browser through a file only
            // this user can read, never on a command line others may see.
            openPage = std::make_unique<QTemporaryFile>(
                QDir::temp().filePath(QStringLiteral("keyscript-deck-XXXXXX.html")));
            const QByteArray address = deck->address().toUtf8();
            if (!openPage->open() ||
                openPage->write(
                    "<!DOCTYPE html><meta charset=\"utf-8\"><meta http-equiv=\"refresh\" "
                    "content=\"0; url=" +
                    address + "\"><a href=\"" + address + "\">The deck</a>\n") < 0 ||
                !openPage->flush()) {
                fprintf(stderr, "keyscript-host: cannot write a page to open the deck with: %s\n",
                        qPrintable(openPage->errorString()));
            } else {
                openInBrowser(QUrl::fromLocalFile(openPage->fileName()).toString());
            }
        }
    }
    QObject::connect(&session, &HostSession::finished, &app, &QCoreApplication::exit,
                     Qt::QueuedConnection);
    if (options.interactive) {
        // A blocking read has no portable way to be woken, so the reader is left running and the
        // process ends without waiting for it (endAtOnce). The reader is a thread of Qt's own:
        // Qt adopts a foreign thread that posts events, and on Windows tears it down on a
        // watcher thread of its own.
        // At a terminal, a prompt and a word on help; piped input stays quiet.
        const bool terminal = isTerminal();
        if (terminal)
            fputs("Type events, or help. Ctrl+D ends.\n", stderr);
        QThread *reader = QThread::create([&session, terminal] {
            std::string line;
            while ((!terminal || fputs("keyscript> ", stderr) >= 0) &&
                   std::getline(std::cin, line)) {
                const QString text = QString::fromStdString(line);
                QMetaObject::invokeMethod(
                    &session, [&session, text] { session.inputLine(text); }, Qt::QueuedConnection);
            }
            QMetaObject::invokeMethod(
                &session, [&session] { session.inputClosed(); }, Qt::QueuedConnection);
        });
        reader->start(); // never deleted: it may be blocked in its read when the process ends
    }
    // Ctrl+C and the like end the run through the event loop, so that nothing is left behind.
    const TerminationSignals termination;
    QTimer::singleShot(0, &session, &HostSession::start);
    int code = QCoreApplication::exec();
    if (!session.hasFinished() && !options.deck) { // the deck ends when it is told to
        fprintf(stderr, "keyscript-host: interrupted\n");
        code = HostSession::Interrupted;
    }
    session.stop();
    if (options.interactive)
        endAtOnce(code);
    return code;
}
