// Scripts under supervision, seen from outside: however the plugin ends, no script outlives it,
// and a host that stops reading holds the scripts back instead of growing the plugin. Linux only:
// what is left running is read from /proc.
#include "runner/scriptprocess.h"
#include "support/bundle.h"
#include "support/processinfo.h"
#include "support/standinhost.h"

#include <QRegularExpression>
#include <QtTest>

#include <csignal>
#include <memory>

#include <sys/types.h>

namespace {
// The number a script printed as its title, from a setTitle message.
qint64 titleNumber(const QString &message)
{
    static const QRegularExpression title(QStringLiteral(R"x("title":"(\d+)")x"));
    return title.match(message).captured(1).toLongLong();
}
} // namespace

class SupervisionTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init();
    void terminationEndsScripts_data();
    void terminationEndsScripts();
    void hardKillEndsScriptsButNotTheirPrograms_data();
    void hardKillEndsScriptsButNotTheirPrograms();
    void whatAScriptStartedEndsWithIt_data();
    void whatAScriptStartedEndsWithIt();
    void stoppedReaderHoldsScriptsBack_data();
    void stoppedReaderHoldsScriptsBack();
    void resetHostLetsScriptsFinish();
    void appearScriptLivesWhileVisible();

private:
    // Starts the plugin and two scripts that report their process IDs, then keep running.
    QList<qint64> startTwoScripts();

    std::unique_ptr<StandInHost> host;
    std::unique_ptr<Bundle> bundle;
    std::unique_ptr<PluginProcess> plugin;
};

void SupervisionTest::init()
{
    plugin.reset();
    host = std::make_unique<StandInHost>();
    bundle = std::make_unique<Bundle>();
    plugin = std::make_unique<PluginProcess>();
    QVERIFY(bundle->isValid());
}

QList<qint64> SupervisionTest::startTwoScripts()
{
    bundle->start(*plugin, host->port());
    if (!QTest::qWaitFor([this] { return host->messages.size() == 1; }, 10000))
        return {};
    host->press("stay", "k1");
    host->press("stay", "k2");
    if (!QTest::qWaitFor([this] { return host->messages.size() == 3; }, 10000))
        return {};
    return {titleNumber(host->messages.at(1)), titleNumber(host->messages.at(2))};
}

void SupervisionTest::terminationEndsScripts_data()
{
    QTest::addColumn<int>("signal");
    QTest::newRow("SIGTERM") << SIGTERM;
    QTest::newRow("SIGINT") << SIGINT;
    QTest::newRow("SIGHUP") << SIGHUP;
}

void SupervisionTest::terminationEndsScripts()
{
    QFETCH(int, signal);
    QVERIFY(bundle->writeScript("stay", "echo \"setTitle $$\"\nexec sleep 30\n"));
    const QList<qint64> scripts = startTwoScripts();
    QCOMPARE(scripts.size(), 2);

    ::kill(pid_t(plugin->processId()), signal);
    QVERIFY(plugin->waitForFinished(2000));
    QCOMPARE(plugin->exitStatus(), QProcess::NormalExit);
    QCOMPARE(plugin->exitCode(), 0);
    QTRY_VERIFY(host->clientClosed);
    QCOMPARE(host->closeCode, QWebSocketProtocol::CloseCodeNormal);
    QCOMPARE(host->closeReason, QString("Normal exit"));
    for (const qint64 script : scripts)
        QVERIFY2(!isAlive(script), qPrintable(QString::number(script)));
}

void SupervisionTest::hardKillEndsScriptsButNotTheirPrograms_data()
{
    QTest::addColumn<QByteArray>("start");
    QTest::newRow("a script that would end on TERM") << QByteArray();
    // Nobody is left to follow TERM up with a kill.
    QTest::newRow("one that ignores TERM") << QByteArray("trap '' TERM\n");
}

void SupervisionTest::hardKillEndsScriptsButNotTheirPrograms()
{
    QFETCH(QByteArray, start);
    // The script starts a program on its own, as a script does that wants it to outlive the
    // press, and reports both process IDs.
    // The program is reported once it has a session of its own: a kill before that would
    // still hang it up with the script's group.
    QVERIFY(bundle->writeScript(
        "stay", start + "echo \"setTitle $$\"\n"
                        "ready=\"${TMPDIR:-/tmp}/keyscript-stay-$$\"\n"
                        "setsid sh -c ': >\"$0\"; exec sleep 30' \"$ready\" </dev/null >/dev/null "
                        "2>&1 &\n"
                        "while [ ! -e \"$ready\" ]; do sleep 0.01; done; rm -f \"$ready\"\n"
                        "echo \"setTitle $!\"\n"
                        "exec sleep 30\n"));
    bundle->start(*plugin, host->port());
    QTRY_COMPARE(host->messages.size(), 1);
    host->press("stay", "k1");
    QTRY_COMPARE(host->messages.size(), 3);
    const qint64 script = titleNumber(host->messages.at(1));
    const qint64 program = titleNumber(host->messages.at(2));
    QVERIFY(isAlive(script) && isAlive(program));

    plugin->kill();
    QVERIFY(plugin->waitForFinished());
    QTRY_VERIFY_WITH_TIMEOUT(!isAlive(script), 1000);
    QVERIFY(isAlive(program));
    ::kill(pid_t(program), SIGKILL);
}

void SupervisionTest::whatAScriptStartedEndsWithIt_data()
{
    QTest::addColumn<QString>("script"); // in cmd/, for the action "w"; prints its program's ID
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<QString>("end"); // how the script ends: "hide" its key, "exit", "SIGTERM"
    QTest::addColumn<bool>("stays");  // whether the program it started outlives it

    const QByteArray program = "sleep 1000 &\necho \"setTitle $!\"\n";
    QTest::newRow("a live key's program goes when its key goes")
        << "w@willAppear" << program + "cat >/dev/null\n"
        << "hide" << false;
    QTest::newRow("so does a pipeline's, where the script ignores its input")
        << "w@willAppear"
        << QByteArray("tail -f /dev/null | while read -r l; do :; done &\n"
                      "echo \"setTitle $!\"\nexec sleep 1000\n")
        << "hide" << false;
    QTest::newRow("a program started with nohup stays")
        << "w@willAppear"
        << QByteArray("nohup sleep 1000 >/dev/null 2>&1 &\necho \"setTitle $!\"\n"
                      "exec sleep 1000\n")
        << "hide" << true;
    QTest::newRow("the plugin's end ends them") << "w@willAppear" << program + "exec sleep 1000\n"
                                                << "SIGTERM" << false;
    QTest::newRow("and its death, by SIGKILL") << "w@willAppear" << program + "exec sleep 1000\n"
                                               << "SIGKILL" << false;
    QTest::newRow("which leaves a program that a press script left")
        << "w" << QByteArray("sleep 1000 >/dev/null 2>&1 &\necho \"setTitle $!\"\n") << "SIGKILL"
        << true;
    QTest::newRow("a press script that ends by itself leaves its program")
        << "w" << QByteArray("sleep 1000 >/dev/null 2>&1 &\necho \"setTitle $!\"\n") << "exit"
        << true;
}

void SupervisionTest::whatAScriptStartedEndsWithIt()
{
    QFETCH(QString, script);
    QFETCH(QByteArray, body);
    QFETCH(QString, end);
    QFETCH(bool, stays);
    QVERIFY(bundle->writeScript(script, body));
    bundle->start(*plugin, host->port());
    QTRY_COMPARE_WITH_TIMEOUT(host->messages.size(), 1, 10000);
    host->sendEvent(script.contains('@') ? "willAppear" : "keyDown", "w", "k1");
    QTRY_COMPARE_WITH_TIMEOUT(host->messages.size(), 2, 10000);
    const qint64 program = titleNumber(host->messages.at(1));
    QVERIFY(isAlive(program));
    if (end == "hide") {
        host->sendEvent("willDisappear", "w", "k1");
    } else if (end == "SIGTERM" || end == "SIGKILL") {
        QTest::qWait(300); // a press script has ended by itself by then
        ::kill(pid_t(plugin->processId()), end == "SIGTERM" ? SIGTERM : SIGKILL);
        QVERIFY(plugin->waitForFinished(5000));
    }
    if (stays) {
        QTest::qWait(ScriptProcess::inputGraceMs + 1000);
        QVERIFY(isAlive(program));
        ::kill(pid_t(program), SIGKILL);
    } else {
        QTRY_VERIFY_WITH_TIMEOUT(!isAlive(program),
                                 ScriptProcess::inputGraceMs + ScriptProcess::endGraceMs + 1000);
    }
}

void SupervisionTest::stoppedReaderHoldsScriptsBack_data()
{
    QTest::addColumn<QByteArray>("each"); // printed after each numbered title
    QTest::addColumn<int>("titles");      // how many; 0 for as many as the shell can print
    QTest::addColumn<int>("pauseSeconds");

    QTest::newRow("numbered titles") << QByteArray() << 0 << 10;
    // A line of 16 bytes that becomes a message of 1.4 MB.
    QTest::newRow("an image file after each title")
        << QByteArray("echo 'setImage big.png'\n") << 40 << 3;
}

void SupervisionTest::stoppedReaderHoldsScriptsBack()
{
    QFETCH(QByteArray, each);
    QFETCH(int, titles);
    QFETCH(int, pauseSeconds);

    QVERIFY(bundle->writeFile("cmd/big.png", QByteArray(1024 * 1024, 'x')));
    const QByteArray condition = titles > 0 ? "[ $i -lt " + QByteArray::number(titles) + " ]" : ":";
    QVERIFY(bundle->writeScript("flood", "i=0\nwhile " + condition +
                                             "; do i=$((i+1)); echo \"setTitle $i\"\n" + each +
                                             "done\n"));
    bundle->start(*plugin, host->port());
    QTRY_COMPARE(host->messages.size(), 1);
    host->press("flood", "k1");
    QTRY_VERIFY(host->messages.size() > 2);

    // The host stops reading: this process does nothing else for a while.
    QThread::sleep(pauseSeconds);
    const qint64 peak = peakKilobytes(plugin->processId());
    QVERIFY2(peak > 0 && peak < KEYSCRIPT_TEST_RSS_LIMIT_KB,
             qPrintable(QString::number(peak) + " kB"));

    // Once it reads again, the lines come on, none lost or reordered.
    const qsizetype before = host->messages.size();
    if (titles > 0) {
        const qsizetype lines = titles * (each.isEmpty() ? 1 : 2);
        QTRY_COMPARE_WITH_TIMEOUT(host->messages.size(), lines + 1, 30000);
    } else {
        QTRY_VERIFY_WITH_TIMEOUT(host->messages.size() > before + 100000, 30000);
    }
    const QStringList numbered = host->messages.mid(1).filter("\"event\":\"setTitle\"");
    for (qsizetype i = 0; i < numbered.size(); ++i)
        QCOMPARE(titleNumber(numbered.at(i)), i + 1);
}

void SupervisionTest::resetHostLetsScriptsFinish()
{
    // Four scripts print 10 MB each, far more than the system's buffers hold.
    QVERIFY(bundle->writeFile("work/log.txt", ""));
    QVERIFY(bundle->writeScript("chatty", "t=$(head -c 1000 /dev/zero | tr '\\0' x)\n"
                                          "i=0; while [ $i -lt 10000 ]; do i=$((i+1));\n"
                                          "  echo \"setTitle $i $t\"; done\n"));
    bundle->start(*plugin, host->port());
    QTRY_COMPARE(host->messages.size(), 1);
    for (const char *key : {"k1", "k2", "k3", "k4"})
        host->press("chatty", key);
    QTRY_VERIFY(host->messages.size() > 4);
    QThread::sleep(2);

    // The connection is reset with more than 1 MiB unsent: the host is gone, and what the
    // scripts print goes nowhere, but they run to their end.
    host->resetClient();
    QTRY_COMPARE_WITH_TIMEOUT(bundle->logLines().filter("exit 0").size(), 4, 30000);
    const QRegularExpression dropped("^dropped \\d+ bytes of output: the host is gone$");
    QCOMPARE(bundle->logLines().filter(dropped).size(), 4);
    QCOMPARE(childrenOf(plugin->processId()), QStringList());
}

void SupervisionTest::appearScriptLivesWhileVisible()
{
    // The appear script ticks until it is ended; the disappear script says when it ran.
    QVERIFY(bundle->writeScript("clock@willAppear",
                                "while :; do echo \"setTitle $$\"; sleep 0.05; done\n"));
    QVERIFY(bundle->writeScript("clock@willDisappear", "echo 'setTitle gone'\n"));
    bundle->start(*plugin, host->port());
    QTRY_COMPARE(host->messages.size(), 1);
    const qint64 pid = plugin->processId();

    // Output arrives while the key is visible; a second appear leaves exactly one script.
    host->sendEvent("willAppear", "clock", "k1");
    QTRY_VERIFY(host->messages.size() > 4);
    const qint64 first = titleNumber(host->messages.last());
    host->sendEvent("willAppear", "clock", "k1");
    QTRY_VERIFY(titleNumber(host->messages.last()) != first);
    QTRY_COMPARE(childrenOf(pid).size(), 1);
    QVERIFY(!isAlive(first));

    // Disappear: no script left, nothing more from it, then the clean-up script's answer.
    host->sendEvent("willDisappear", "clock", "k1");
    QTRY_VERIFY(host->messages.last().contains("\"title\":\"gone\""));
    QTRY_COMPARE(childrenOf(pid), QStringList());
    const qsizetype after = host->messages.size();
    QTest::qWait(300);
    QCOMPARE(host->messages.size(), after);

    // Without a host no key is visible: its appear scripts end, the plugin stays.
    host->sendEvent("willAppear", "clock", "k2");
    QTRY_COMPARE(childrenOf(pid).size(), 1);
    host->closeClient();
    QTRY_COMPARE(childrenOf(pid), QStringList());
    QCOMPARE(plugin->state(), QProcess::Running);
}

QTEST_GUILESS_MAIN(SupervisionTest)
#include "tst_supervision.moc"
