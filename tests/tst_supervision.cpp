// Scripts under supervision, seen from outside: however the plugin ends, no script outlives it,
// and a host that stops reading holds the scripts back instead of growing the plugin. Linux only:
// what is left running is read from /proc.
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
    void hardKillEndsScriptsButNotTheirPrograms();
    void stoppedReaderHoldsScriptsBack();
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

void SupervisionTest::hardKillEndsScriptsButNotTheirPrograms()
{
    // The script starts a program on its own, as a script does that wants it to outlive the
    // press, and reports both process IDs.
    QVERIFY(bundle->writeScript("stay", "echo \"setTitle $$\"\n"
                                        "setsid sleep 30 </dev/null >/dev/null 2>&1 &\n"
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

void SupervisionTest::stoppedReaderHoldsScriptsBack()
{
    // Numbered lines as fast as the shell can print them, for as long as it may.
    QVERIFY(
        bundle->writeScript("flood", "i=0\nwhile :; do i=$((i+1)); echo \"setTitle $i\"; done\n"));
    bundle->start(*plugin, host->port());
    QTRY_COMPARE(host->messages.size(), 1);
    host->press("flood", "k1");
    QTRY_VERIFY(host->messages.size() > 1000);

    // The host stops reading: this process does nothing else for ten seconds.
    QThread::sleep(10);
    const qint64 peak = peakKilobytes(plugin->processId());
    QVERIFY2(peak > 0 && peak < KEYSCRIPT_TEST_RSS_LIMIT_KB,
             qPrintable(QString::number(peak) + " kB"));

    // Once it reads again, the lines come on, none lost or reordered.
    const qsizetype before = host->messages.size();
    QTRY_VERIFY_WITH_TIMEOUT(host->messages.size() > before + 100000, 30000);
    for (qsizetype i = 2; i < host->messages.size(); ++i)
        QCOMPARE(titleNumber(host->messages.at(i)), titleNumber(host->messages.at(i - 1)) + 1);
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
