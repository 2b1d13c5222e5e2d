// Whole-plugin benchmarks: the real executable against a stand-in host on loopback.
// Usage: bench_plugin [--callgrind]    (prints one markdown table row per figure)
#include "support/bundle.h"
#include "support/processinfo.h"
#include "support/standinhost.h"

#include "runner/trustedscripts.h"
#include "runner/typedscript.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <functional>

#include <unistd.h>

namespace {

struct Figures
{
    double median;
    double p95;
};

Figures figures(QList<double> values)
{
    std::sort(values.begin(), values.end());
    return {values.at(values.size() / 2), values.at(values.size() * 95 / 100)};
}

// Runs the event loop until done() holds or timeoutMs passes; false on time-out.
bool waitUntil(StandInHost &host, const std::function<bool()> &done, int timeoutMs = 30000)
{
    if (done())
        return true;
    QEventLoop loop;
    QTimer watchdog;
    watchdog.setSingleShot(true);
    QObject::connect(&watchdog, &QTimer::timeout, &loop, &QEventLoop::quit);
    QObject::connect(&host, &StandInHost::messageReceived, &loop, [&] {
        if (done())
            loop.quit();
    });
    watchdog.start(timeoutMs);
    loop.exec();
    return done();
}

qint64 procStatus(qint64 pid, const char *field) // kB
{
    QFile file(QStringLiteral("/proc/%1/status").arg(pid));
    if (!file.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : file.readAll().split('\n')) {
        if (line.startsWith(field))
            return line.mid(qstrlen(field)).trimmed().split(' ').first().toLongLong();
    }
    return -1;
}

double cpuMs(qint64 pid) // user + system time of the process itself
{
    QFile file(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!file.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray stat = file.readAll();
    const QList<QByteArray> fields = stat.mid(stat.lastIndexOf(')') + 2).split(' ');
    const double ticks = fields.at(11).toDouble() + fields.at(12).toDouble(); // utime, stime
    return ticks * 1000.0 / double(sysconf(_SC_CLK_TCK));
}

void row(const char *what, const QString &measured, const char *target)
{
    std::printf("| %s | %s | %s |\n", what, qPrintable(measured), target);
    std::fflush(stdout);
}

QString keyEvent(const char *event, const QString &context)
{
    return QStringLiteral(R"({"event":"%1","action":"bench.echo","context":"%2",)"
                          R"("device":"d","payload":{"settings":{"t":"x"}}})")
        .arg(QLatin1String(event), context);
}

QString press(const QString &context, const QString &value = QStringLiteral("x"))
{
    return QStringLiteral(R"({"event":"keyDown","action":"bench.echo","context":"%1",)"
                          R"("device":"d","payload":{"settings":{"t":"%2"}}})")
        .arg(context, value);
}

// Starts the plugin (under valgrind when given) and waits for its registration.
bool start(const Bundle &bundle, StandInHost &host, PluginProcess &plugin,
           const QStringList &valgrind = {})
{
    plugin.setStandardOutputFile(QProcess::nullDevice());
    plugin.setStandardErrorFile(QProcess::nullDevice());
    plugin.setWorkingDirectory(bundle.workDir());
    const QStringList arguments{"-port",          QString::number(host.port()),
                                "-pluginUUID",    "bench",
                                "-registerEvent", "registerPlugin",
                                "-info",          "{}"};
    if (valgrind.isEmpty())
        plugin.start(bundle.executable(), arguments);
    else
        plugin.start("valgrind", valgrind + QStringList{bundle.executable()} + arguments);
    return waitUntil(
        host, [&] { return !host.messages.isEmpty(); }, 120000);
}

qint64 callgrindInstructions(const Bundle &bundle, int events)
{
    StandInHost host;
    PluginProcess plugin;
    const QString out = bundle.workDir() + QStringLiteral("/callgrind.%1").arg(events);
    if (!start(bundle, host, plugin, {"--tool=callgrind", "--callgrind-out-file=" + out}))
        return -1;
    const QString appear = R"({"event":"willAppear","action":"bench.echo","context":"c",)"
                           R"("device":"d","payload":{"settings":{"t":"x"}}})";
    for (int i = 0; i < events; ++i)
        host.sendText(appear);
    host.sendText(press("last"));
    if (!waitUntil(
            host, [&] { return host.messages.size() == 2; }, 300000))
        return -1;
    plugin.terminate(); // callgrind writes its totals as the process ends
    plugin.waitForFinished(60000);
    QFile file(out);
    if (!file.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : file.readAll().split('\n')) {
        if (line.startsWith("summary:") || line.startsWith("totals:"))
            return line.split(' ').at(1).toLongLong();
    }
    return -1;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const bool callgrind = app.arguments().contains(QStringLiteral("--callgrind"));

    // A plugin writes its typed scripts' files in a temporary folder that it removes when it
    // ends by itself; the plugins of this run are killed, so that folder is made in one of ours.
    QTemporaryDir scratch;
    if (!scratch.isValid()) {
        std::fprintf(stderr, "bench_plugin: cannot make a temporary folder\n");
        return 1;
    }
    qputenv("TMPDIR", scratch.path().toUtf8());

    // The plugins of this run keep their allowed typed scripts here, never in the user's own
    // configuration; the Run key's script is allowed before any of them starts.
    const QString typedScript = QStringLiteral("echo hi");
    QTemporaryDir config;
    if (!config.isValid() ||
        !TrustedScripts(config.path())
             .trust(TypedScript::fingerprint(TypedActions::defaultInterpreter(), typedScript))) {
        std::fprintf(stderr, "bench_plugin: cannot allow the typed script\n");
        return 1;
    }
    qputenv("KEYSCRIPT_CONFIG_DIR", config.path().toUtf8());

    Bundle bundle;
    if (!bundle.isValid() || !bundle.writeScript("bench.echo", "echo \"setTitle $ZEB_t\"\n") ||
        !bundle.writeScript("bench.hi", "echo setTitle hi\n")) {
        std::fprintf(stderr, "bench_plugin: cannot lay out a bundle\n");
        return 1;
    }
    std::printf("| figure | measured | target |\n|---|---|---|\n");

    // Start to registration, ten times.
    QList<double> startMs;
    for (int i = 0; i < 10; ++i) {
        StandInHost host;
        PluginProcess plugin;
        QElapsedTimer timer;
        timer.start();
        if (!start(bundle, host, plugin))
            return 1;
        startMs << timer.nsecsElapsed() / 1e6;
    }
    row("start to registration, median of 10",
        QString::asprintf("%.1f ms", figures(startMs).median), "<= 30 ms");

    StandInHost host;
    PluginProcess plugin;
    if (!start(bundle, host, plugin))
        return 1;
    const qint64 pid = plugin.processId();
    row("resident memory after registration",
        QString::asprintf("%.1f MB", procStatus(pid, "VmRSS:") / 1024.0), "<= 14 MB");

    // Sequential presses, each answered before the next is sent, interleaved with the floor (the
    // same script started by a bare program) and a WebSocket ping through the plugin's event
    // loop, so all three see the machine in the same state.
    QList<double> roundTrip;
    QList<double> floor;
    QList<double> hop;
    for (int i = 0; i < 200; ++i) {
        const qsizetype before = host.messages.size();
        QElapsedTimer timer;
        timer.start();
        host.sendText(press(QStringLiteral("k%1").arg(i)));
        if (!waitUntil(host, [&] { return host.messages.size() > before; }))
            return 1;
        roundTrip << timer.nsecsElapsed() / 1e3;

        QProcess floorRun;
        floorRun.start(QCoreApplication::applicationDirPath() + "/spawn_floor",
                       {bundle.cmdDir() + "/bench.echo", "1"});
        floorRun.waitForFinished(10000);
        floor << floorRun.readAllStandardOutput().trimmed().split(' ').value(0).toDouble();

        QEventLoop loop;
        QObject::connect(&host, &StandInHost::pong, &loop, &QEventLoop::quit);
        timer.restart();
        host.ping();
        loop.exec();
        hop << timer.nsecsElapsed() / 1e3;
    }
    const Figures trip = figures(roundTrip);
    const Figures floorFigures = figures(floor);
    const Figures hopFigures = figures(hop);
    row("press round trip, median / p95 of 200",
        QString::asprintf("%.0f / %.0f us", trip.median, trip.p95), "");
    row("floor: posix_spawn to first line, median / p95 of 200",
        QString::asprintf("%.0f / %.0f us", floorFigures.median, floorFigures.p95), "");
    row("round trip / floor at the median",
        QString::asprintf("%.2fx", trip.median / floorFigures.median), "<= 1.25x");
    row("of which a WebSocket ping through the plugin, median / p95",
        QString::asprintf("%.0f / %.0f us", hopFigures.median, hopFigures.p95), "");
    row("round trip / (floor + ping) at the median",
        QString::asprintf("%.2fx", trip.median / (floorFigures.median + hopFigures.median)),
        "<= 1.15x");

    // A press of a Run key whose script is typed on the key, against a press of the same script
    // kept in cmd/: both are sh printing one line, and both end in one setTitle (the typed key's
    // title is the last line that was no command, the file's line is a setTitle command). Timed
    // from the press to the setTitle of its key, one of each in turn. One press of each first,
    // not counted: the typed key writes its script's file at its first press only.
    {
        const QString typedPress =
            QStringLiteral(R"({"event":"keyDown","action":"%1","context":"typed",)"
                           R"("device":"d","payload":{"settings":{"script":"%2"}}})")
                .arg(TypedActions::run(), typedScript);
        const QString filePress =
            QStringLiteral(R"({"event":"keyDown","action":"bench.hi","context":"file",)"
                           R"("device":"d","payload":{"settings":{}}})");
        const auto toTitle = [&](const QString &event, const QString &context) {
            const QString title = QStringLiteral(R"("event":"setTitle")");
            const QString key = QStringLiteral(R"("context":"%1")").arg(context);
            const qsizetype before = host.messages.size();
            const auto titled = [&] {
                for (qsizetype i = before; i < host.messages.size(); ++i) {
                    const QString &message = host.messages.at(i);
                    if (message.contains(title) && message.contains(key))
                        return true;
                }
                return false;
            };
            QElapsedTimer timer;
            timer.start();
            host.sendText(event);
            if (!waitUntil(host, titled))
                return -1.0;
            const double us = timer.nsecsElapsed() / 1e3;
            // The next press waits until this run's process has been reaped and the plugin has
            // done with its end (a ping is answered after that), so no press pays for the last.
            QElapsedTimer settle;
            settle.start();
            while (!childrenOf(pid).isEmpty() && settle.elapsed() < 10000) {
                QCoreApplication::processEvents();
                QThread::usleep(100);
            }
            QEventLoop loop;
            QObject::connect(&host, &StandInHost::pong, &loop, &QEventLoop::quit);
            host.ping();
            loop.exec();
            return us;
        };
        // Both keys get the title "hi": a typed script that was not allowed would be titled
        // "Review" without running.
        const auto titledHi = [&](const QString &event, const QString &context) {
            const qsizetype before = host.messages.size();
            if (toTitle(event, context) < 0)
                return false;
            for (qsizetype i = before; i < host.messages.size(); ++i) {
                const QJsonObject message =
                    QJsonDocument::fromJson(host.messages.at(i).toUtf8()).object();
                if (message.value("event") == "setTitle" && message.value("context") == context)
                    return message.value("payload").toObject().value("title") == "hi";
            }
            return false;
        };
        if (!titledHi(typedPress, QStringLiteral("typed")) ||
            !titledHi(filePress, QStringLiteral("file"))) {
            std::fprintf(stderr, "bench_plugin: the typed or the file script did not title its "
                                 "key \"hi\"\n");
            return 1;
        }
        QList<double> typed;
        QList<double> file;
        for (int i = 0; i < 200; ++i) {
            typed << toTitle(typedPress, QStringLiteral("typed"));
            file << toTitle(filePress, QStringLiteral("file"));
            if (typed.last() < 0 || file.last() < 0)
                return 1;
        }
        const Figures typedFigures = figures(typed);
        const Figures fileFigures = figures(file);
        row("a Run key's typed `echo hi`, press to setTitle, median / p95 of 200",
            QString::asprintf("%.0f / %.0f us", typedFigures.median, typedFigures.p95), "");
        row("the same from a cmd/ script, median / p95 of 200",
            QString::asprintf("%.0f / %.0f us", fileFigures.median, fileFigures.p95), "");
        row("typed / cmd/ script at the median",
            QString::asprintf("%.2fx", typedFigures.median / fileFigures.median), "<= 1.1x");
    }

    // Ten quick one-tick turns of the level example, each sent with the settings the dial had
    // before them (a host that has not taken the first run's setSettings yet): none is lost.
    {
        QFile level(QStringLiteral(KEYSCRIPT_EXAMPLES_DIR "/org.keyscript.level@dialRotate"));
        if (!level.open(QIODevice::ReadOnly) ||
            !bundle.writeScript("bench.level@dialRotate", level.readAll()))
            return 1;
        const auto lastStored = [&host](const QString &context) {
            QString n;
            for (const QString &message : std::as_const(host.messages)) {
                const QJsonObject object = QJsonDocument::fromJson(message.toUtf8()).object();
                if (object.value("event") == "setSettings" && object.value("context") == context)
                    n = object.value("payload").toObject().value("n").toString();
            }
            return n;
        };
        int whole = 0;
        for (int run = 0; run < 10; ++run) {
            const QString context = QStringLiteral("level%1").arg(run);
            for (int turn = 0; turn < 10; ++turn)
                host.sendText(QStringLiteral(R"({"event":"dialRotate","action":"bench.level",)"
                                             R"("context":"%1","device":"d","payload":{)"
                                             R"("settings":{"n":"50"},"ticks":1}})")
                                  .arg(context));
            QElapsedTimer waited;
            waited.start();
            while (lastStored(context) != QLatin1String("60") && waited.elapsed() < 5000) {
                QCoreApplication::processEvents();
                QThread::usleep(1000);
            }
            waited.restart(); // and nothing after it
            while (waited.elapsed() < 200) {
                QCoreApplication::processEvents();
                QThread::usleep(1000);
            }
            whole += lastStored(context) == QLatin1String("60");
        }
        row("ten quick one-tick turns of the level dial from 50 end at 60",
            QString::asprintf("%d runs of 10", whole), "10 of 10");
    }

    // A press answered by a live appear script, which reads it on its standard input, against a
    // ping through the plugin; beside it the same Python started for every press.
    {
        const bool python = !QStandardPaths::findExecutable(QStringLiteral("python3")).isEmpty();
        if (!bundle.writeScript("bench.shlive@willAppear",
                                "echo 'setTitle ready'\n"
                                "while read -r event payload; do echo 'setTitle x'; done\n") ||
            !bundle.writeFile("cmd/bench.pylive@willAppear",
                              "#!/usr/bin/env python3\nimport sys\nprint('setTitle ready', "
                              "flush=True)\nfor line in sys.stdin:\n    print('setTitle x', "
                              "flush=True)\n") ||
            !bundle.writeFile("cmd/bench.pypress",
                              "#!/usr/bin/env python3\nprint('setTitle x', flush=True)\n"))
            return 1;
        for (const char *name : {"bench.pylive@willAppear", "bench.pypress"})
            QFile::setPermissions(bundle.cmdDir() + '/' + name,
                                  QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        const auto answered = [&](const QString &event) {
            const qsizetype before = host.messages.size();
            QElapsedTimer timer;
            timer.start();
            host.sendText(event);
            if (!waitUntil(host, [&] { return host.messages.size() > before; }))
                return -1.0;
            return timer.nsecsElapsed() / 1e3;
        };
        const auto livePress = [](const char *action) {
            return QStringLiteral(R"({"event":"keyDown","action":"%1","context":"live-%1",)"
                                  R"("device":"d","payload":{"settings":{}}})")
                .arg(QLatin1String(action));
        };
        for (const char *action : {"bench.shlive", "bench.pylive"}) {
            if (python || qstrcmp(action, "bench.pylive") != 0)
                answered(QStringLiteral(R"({"event":"willAppear","action":"%1","context":)"
                                        R"("live-%1","device":"d","payload":{}})")
                             .arg(QLatin1String(action)));
        }
        QList<double> sh;
        QList<double> py;
        QList<double> pyPress;
        QList<double> ping;
        for (int i = 0; i < 100; ++i) {
            sh << answered(livePress("bench.shlive"));
            if (python) {
                py << answered(livePress("bench.pylive"));
                if (i % 4 == 0)
                    pyPress << answered(
                        press(QStringLiteral("p%1").arg(i)).replace("bench.echo", "bench.pypress"));
            }
            QEventLoop loop;
            QObject::connect(&host, &StandInHost::pong, &loop, &QEventLoop::quit);
            QElapsedTimer timer;
            timer.start();
            host.ping();
            loop.exec();
            ping << timer.nsecsElapsed() / 1e3;
        }
        const double pingMedian = figures(ping).median;
        row("a press answered by a live sh appear script, median of 100 / ping",
            QString::asprintf("%.0f us = %.2fx a ping (%.0f us)", figures(sh).median,
                              figures(sh).median / pingMedian, pingMedian),
            "<= 2x");
        if (python) {
            row("... by a live Python appear script",
                QString::asprintf("%.0f us = %.2fx a ping", figures(py).median,
                                  figures(py).median / pingMedian),
                "<= 2x");
            row("... by the same Python started for the press, median of 25",
                QString::asprintf("%.1f ms", figures(pyPress).median / 1e3), "");
        }
        for (const char *action : {"bench.shlive", "bench.pylive"})
            host.sendText(QStringLiteral(R"({"event":"willDisappear","action":"%1","context":)"
                                         R"("live-%1","device":"d","payload":{}})")
                              .arg(QLatin1String(action)));
    }

    // A profile switch: 32 keys appear at once, each with an appear script that draws its key
    // with one line and stays. Five rounds from a quiet plugin, each ended by the 32 keys
    // disappearing and the plugin settling; then five real switches, where the 32 keys of the
    // last profile disappear in the same moment as the 32 new ones appear.
    {
        if (!bundle.writeScript("bench.echo@willAppear",
                                "echo \"setTitle $ZEB_t\"\nexec sleep 60\n"))
            return 1;
        const auto appearAll = [&](const QString &prefix, const QString &previous) {
            QStringList events;
            for (int i = 0; i < 32; ++i) {
                if (!previous.isEmpty())
                    events << keyEvent("willDisappear", previous + QString::number(i));
                events << keyEvent("willAppear", prefix + QString::number(i));
            }
            const qsizetype before = host.messages.size();
            QElapsedTimer timer;
            timer.start();
            for (const QString &event : std::as_const(events))
                host.sendText(event);
            if (!waitUntil(host, [&] { return host.messages.size() == before + 32; }))
                return -1.0;
            return timer.nsecsElapsed() / 1e3;
        };
        const auto settle = [&](const QString &previous) {
            for (int i = 0; i < 32 && !previous.isEmpty(); ++i)
                host.sendText(keyEvent("willDisappear", previous + QString::number(i)));
            QElapsedTimer quiet;
            quiet.start();
            while (quiet.elapsed() < 300 || (!childrenOf(pid).isEmpty() && quiet.elapsed() < 10000))
                QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        };
        QList<double> fromQuiet;
        QList<double> switching;
        qint64 runningKb = 0;
        for (int round = 0; round < 5; ++round) {
            fromQuiet << appearAll(QStringLiteral("q%1-").arg(round), QString());
            runningKb = qMax(runningKb, procStatus(pid, "VmRSS:"));
            settle(QStringLiteral("q%1-").arg(round));
        }
        QString previous = QStringLiteral("s-");
        appearAll(previous, QString());
        for (int round = 0; round < 5; ++round) {
            const QString next = QStringLiteral("s%1-").arg(round);
            switching << appearAll(next, previous);
            previous = next;
        }
        settle(previous);
        QFile::remove(bundle.cmdDir() + "/bench.echo@willAppear");
        const double quietMedian = figures(fromQuiet).median;
        const double switchMedian = figures(switching).median;
        row("32 keys appear at once: all 32 drawn, median of 5",
            QString::asprintf("%.1f ms = %.2fx 32 floors", quietMedian / 1e3,
                              quietMedian / (32 * floorFigures.median)),
            "<= 1.3x");
        row("... while the 32 keys of the last profile disappear",
            QString::asprintf("%.1f ms = %.2fx 32 floors", switchMedian / 1e3,
                              switchMedian / (32 * floorFigures.median)),
            "");
        row("resident memory while the 32 appear scripts run",
            QString::asprintf("%.1f MB", runningKb / 1024.0), "<= 16 MB");
    }

    // A burst: 300 presses at once.
    {
        const qsizetype before = host.messages.size();
        const double cpuBefore = cpuMs(pid);
        QElapsedTimer timer;
        timer.start();
        for (int i = 0; i < 300; ++i)
            host.sendText(press(QStringLiteral("burst%1").arg(i)));
        if (!waitUntil(
                host, [&] { return host.messages.size() == before + 300; }, 60000))
            return 1;
        row("300 presses at once: all answered",
            QString::asprintf("%.0f ms", timer.nsecsElapsed() / 1e6), "<= 600 ms");
        row("300 presses at once: plugin CPU", QString::asprintf("%.0f ms", cpuMs(pid) - cpuBefore),
            "<= 150 ms");
    }

    // Many events the plugin only parses and dispatches, then one press.
    {
        const qsizetype before = host.messages.size();
        const double cpuBefore = cpuMs(pid);
        const QString appear = R"({"event":"willAppear","action":"bench.echo","context":"c",)"
                               R"("device":"d","payload":{"settings":{"t":"x"}}})";
        QElapsedTimer timer;
        timer.start();
        for (int i = 0; i < 50000; ++i)
            host.sendText(appear);
        host.sendText(press("after"));
        if (!waitUntil(
                host, [&] { return host.messages.size() == before + 1; }, 120000))
            return 1;
        row("50 000 events then a press: answered",
            QString::asprintf("%.0f ms", timer.nsecsElapsed() / 1e6), "");
        row("50 000 events then a press: plugin CPU",
            QString::asprintf("%.0f ms", cpuMs(pid) - cpuBefore), "<= 120 ms");
    }
    row("peak resident memory over the run",
        QString::asprintf("%.1f MB", procStatus(pid, "VmHWM:") / 1024.0), "");

    // A script that floods its key while the host stops reading for ten seconds: the script is
    // held back, the plugin does not grow.
    {
        StandInHost stalled;
        PluginProcess flooded;
        if (!bundle.writeScript("bench.flood", "exec yes 'setTitle x'\n") ||
            !start(bundle, stalled, flooded))
            return 1;
        stalled.sendText(QStringLiteral(R"({"event":"keyDown","action":"bench.flood",)"
                                        R"("context":"f","device":"d","payload":{}})"));
        if (!waitUntil(stalled, [&] { return stalled.messages.size() > 1000; }))
            return 1;
        QThread::sleep(10); // this process, the host, reads nothing meanwhile
        row("a flood while the host reads nothing for 10 s: plugin's peak resident memory",
            QString::asprintf("%.1f MB", procStatus(flooded.processId(), "VmHWM:") / 1024.0),
            "<= 40 MB");
    }

    if (callgrind) {
        const qint64 few = callgrindInstructions(bundle, 2000);
        const qint64 many = callgrindInstructions(bundle, 12000);
        row("instructions per inbound event (callgrind, 12 000 - 2 000 events)",
            few > 0 && many > 0 ? QString::number((many - few) / 10000) : QStringLiteral("failed"),
            "<= 16 000");
    }
    return 0;
}
