// Faults from outside: a host that goes away or never answers, frames no host should send, and
// a burst of presses. The plugin stays up and keeps answering.
#include "host/hostoptions.h"
#include "support/bundle.h"
#include "support/processinfo.h"
#include "support/standinhost.h"

#include <QTcpServer>
#include <QtTest>

#include <memory>

#ifdef Q_OS_UNIX
#include <sys/resource.h>
#endif

namespace {
QString title(const QString &text, const QString &context)
{
    return QStringLiteral(
               R"({"context":"%1","event":"setTitle","payload":{"target":0,"title":"%2"}})")
        .arg(context, text);
}

const QString done = title("__done__", "k1");
} // namespace

class FaultsTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init();
    void hostClosesMidRun();
    void hostRefusesTheConnection();
    void garbageThenAPress_data();
    void garbageThenAPress();
    void burstOfPresses();
    void stormWaitsItsTurn();
    void standardErrorIsDiscarded();
    void endlessLineIsBounded();
    void restOfALongLineIsNoCommand_data();
    void restOfALongLineIsNoCommand();
    void imageFileSwappedForAFifo();
    void cutLines_data();
    void cutLines();

private:
    bool startPlugin();
    QStringList sortedAnswers(int count);

    std::unique_ptr<StandInHost> host;
    std::unique_ptr<Bundle> bundle;
    std::unique_ptr<PluginProcess> plugin;
};

void FaultsTest::init()
{
    plugin.reset();
    host = std::make_unique<StandInHost>();
    bundle = std::make_unique<Bundle>();
    plugin = std::make_unique<PluginProcess>();
    QVERIFY(bundle->isValid());
    QVERIFY(bundle->writeFile("work/log.txt", ""));
    QVERIFY(bundle->writeScript("echo", "echo \"setTitle $ZEB_n\"\n",
                                "setlocal EnableDelayedExpansion\necho setTitle !ZEB_n!\n"));
}

// The messages after the registration, once count of them have come, sorted: scripts run side
// by side.
QStringList FaultsTest::sortedAnswers(int count)
{
    // Too few fail the comparison that follows, with what is missing.
    (void)QTest::qWaitFor([this, count] { return host->messages.size() > count; }, 60000);
    QStringList received = host->messages.mid(1);
    received.sort();
    return received;
}

bool FaultsTest::startPlugin()
{
    bundle->start(*plugin, host->port());
    return QTest::qWaitFor([this] { return host->messages.size() == 1; }, 10000);
}

void FaultsTest::hostClosesMidRun()
{
    QVERIFY(startPlugin());
    QVERIFY(bundle->writeScript("slow", "sleep 0.3; echo 'setTitle late'\n",
                                "ping -n 2 127.0.0.1 >nul\necho setTitle late\n"));
    host->press("slow", "k1");
    QTRY_VERIFY(bundle->logLines().contains("state QProcess::Running"));
    host->closeClient();

    // The script's answer finds no host: it is read and dropped, and said so once. The plugin
    // stays up, without reconnecting.
    const QRegularExpression dropped("^dropped 1[45] bytes of output: the host is gone$");
    QTRY_COMPARE(bundle->logLines().filter(dropped).size(), 1);
    QTRY_VERIFY(bundle->logLines().endsWith("exit 0"));
    QTest::qWait(200);
    QCOMPARE(plugin->state(), QProcess::Running);
    QCOMPARE(host->connections, 1);
    QCOMPARE(host->messages.size(), 1);
}

void FaultsTest::hostRefusesTheConnection()
{
    quint16 closedPort = 0;
    {
        QTcpServer probe; // a port that was free a moment ago and has no listener now
        QVERIFY(probe.listen(QHostAddress::LocalHost, 0));
        closedPort = probe.serverPort();
    }
    bundle->start(*plugin, closedPort);
    QVERIFY(plugin->waitForStarted());
    QTest::qWait(500);
    QCOMPARE(plugin->state(), QProcess::Running);
    QCOMPARE(bundle->logLines(), QStringList());
}

void FaultsTest::garbageThenAPress_data()
{
    QTest::addColumn<QByteArray>("frame");
    QTest::addColumn<bool>("binary");

    QTest::newRow("not JSON") << QByteArray("keyDown echo") << false;
    QTest::newRow("a JSON array") << QByteArray(R"([{"event":"keyDown","action":"echo"}])")
                                  << false;
    QTest::newRow("5000-deep arrays") << QByteArray(5000, '[') + QByteArray(5000, ']') << false;
    QByteArray objects;
    for (int i = 0; i < 5000; ++i)
        objects += R"({"event":"keyDown","action":"echo","payload":)";
    objects += "{}" + QByteArray(5000, '}');
    QTest::newRow("5000-deep objects") << objects << false;
    QTest::newRow("a 3 MB string") << R"({"event":"willAppear","action":"echo","context":")" +
                                          QByteArray(3 << 20, 'x') + R"("})"
                                   << false;
    QTest::newRow("invalid UTF-8")
        << QByteArray("{\"event\":\"keyDown\",\"action\":\"\xff\xfe\"}") << false;
    QTest::newRow("a binary frame")
        << QByteArray(R"({"event":"keyDown","action":"echo","context":"bin"})") << true;
    QTest::newRow("an empty binary frame") << QByteArray() << true;
}

void FaultsTest::garbageThenAPress()
{
    QFETCH(QByteArray, frame);
    QFETCH(bool, binary);

    QVERIFY(startPlugin());
    if (binary)
        QVERIFY(host->sendBinary(frame));
    else
        QVERIFY(host->sendText(QString::fromUtf8(frame)));
    host->press("echo", "k1", R"({"n":"still here"})");
    QTRY_COMPARE_WITH_TIMEOUT(host->messages.mid(1), QStringList{title("still here", "k1")}, 20000);
    QCOMPARE(plugin->state(), QProcess::Running);
}

void FaultsTest::burstOfPresses()
{
    SKIP_WITHOUT_PROC();
    QVERIFY(startPlugin());
    QVERIFY(QFile::remove(bundle->workDir() + "/log.txt"));
    const int presses = 300;
    QStringList expected;
    for (int i = 0; i < presses; ++i) {
        const QString context = QStringLiteral("k%1").arg(i);
        host->press("echo", context, QStringLiteral(R"({"n":"%1"})").arg(i).toUtf8());
        expected << title(QString::number(i), context);
    }
    expected.sort();
    QCOMPARE(sortedAnswers(presses), expected);
    QTRY_COMPARE(childrenOf(plugin->processId()), QStringList());
}

void FaultsTest::stormWaitsItsTurn()
{
    SKIP_WITHOUT_PROC();
    QVERIFY(
        bundle->writeScript("slow@didReceiveSettings", "sleep 0.2; echo \"setTitle $ZEB_n\"\n"));
#ifdef Q_OS_UNIX
    // The usual limit, whatever this machine's is: 2000 scripts at once would need 6000 files.
    plugin->setChildProcessModifier([] {
        const rlimit limit{1024, 1024};
        ::setrlimit(RLIMIT_NOFILE, &limit);
    });
#endif
    QVERIFY(startPlugin());
    QVERIFY(QFile::remove(bundle->workDir() + "/log.txt"));
    const int events = 2000;
    QStringList expected;
    for (int i = 0; i < events; ++i) {
        const QString context = QStringLiteral("k%1").arg(i);
        host->sendText(actionEvent("didReceiveSettings", "slow", context, "dev",
                                   QJsonObject{{"n", QString::number(i)}}));
        expected << title(QString::number(i), context);
    }
    expected.sort();
    QCOMPARE(sortedAnswers(events), expected);
}

void FaultsTest::standardErrorIsDiscarded()
{
    SKIP_WITHOUT_PROC();
    QVERIFY(bundle->writeScript("noisy", "echo 'setTitle start'\n"
                                         "head -c 200000000 /dev/zero >&2\n"
                                         "echo 'setTitle __done__'\n"));
    QVERIFY(startPlugin());
    host->press("noisy", "k1");
    QTRY_VERIFY_WITH_TIMEOUT(host->messages.mid(1).endsWith(done), 30000);
    QCOMPARE(host->messages.mid(1), QStringList({title("start", "k1"), done}));
    QVERIFY(bundle->logLines().filter("read ").size() == 2);
    const qint64 peak = peakKilobytes(plugin->processId());
    QVERIFY2(peak > 0 && peak < 80 * 1024, qPrintable(QString::number(peak) + " kB"));
}

void FaultsTest::endlessLineIsBounded()
{
    SKIP_WITHOUT_PROC();
    QVERIFY(bundle->writeScript("endless", "printf 'setTitle '\n"
                                           "head -c 50000000 /dev/zero | tr '\\0' x\n"
                                           "printf '\\nsetTitle __done__\\n'\n"));
    QVERIFY(QFile::remove(bundle->workDir() + "/log.txt"));
    QVERIFY(startPlugin());
    host->press("endless", "k1");
    QTRY_VERIFY_WITH_TIMEOUT(host->messages.mid(1).endsWith(done), 60000);
    // The first 64 KiB carry the command word; the rest of the line is dropped.
    const QString start =
        R"({"context":"k1","event":"setTitle","payload":{"target":0,"title":"xxxx)";
    QVERIFY(host->messages.mid(1).first().startsWith(start));
    QCOMPARE(host->messages.mid(1).size(), 2);
    const qint64 peak = peakKilobytes(plugin->processId());
    QVERIFY2(peak > 0 && peak < 80 * 1024, qPrintable(QString::number(peak) + " kB"));
}

void FaultsTest::restOfALongLineIsNoCommand_data()
{
    QTest::addColumn<int>("length");
    QTest::newRow("the command at the 64 KiB bound") << 64 * 1024;
    QTest::newRow("the command at 128 KiB") << 128 * 1024;
}

void FaultsTest::restOfALongLineIsNoCommand()
{
    QFETCH(int, length);
    SKIP_WITHOUT_SH("the long line is made with head and tr");
    // A title that runs up to length bytes, then what would be a command of its own.
    QVERIFY(bundle->writeScript("inject", QStringLiteral("printf 'setTitle '\n"
                                                         "head -c %1 /dev/zero | tr '\\0' A\n"
                                                         "printf 'switchProfile Evil\\n'\n"
                                                         "echo 'setTitle __done__'\n")
                                              .arg(length - 9)
                                              .toUtf8()));
    QVERIFY(startPlugin());
    host->press("inject", "k1");
    QTRY_VERIFY(host->messages.mid(1).endsWith(done));
    QCOMPARE(host->messages.size(), 3);
    QVERIFY(host->messages.at(1).contains(QString(64 * 1024 - 9, 'A') + "\"}}"));
}

void FaultsTest::imageFileSwappedForAFifo()
{
    SKIP_WITHOUT_SH("FIFOs are made with mkfifo");
    // While the script names x.png again and again, x.png is now a file, now a FIFO that nobody
    // writes: opening that one the usual way would wait for good.
    QVERIFY(bundle->writeFile("cmd/real.png", "png"));
    QVERIFY(bundle->writeScript("swap", "cd \"$(dirname \"$0\")\"; mkfifo fifo.png\n"
                                        "timeout 30 perl -e 'while (1) { link \"real.png\", \"t\";"
                                        " rename \"t\", \"x.png\"; link \"fifo.png\", \"t\";"
                                        " rename \"t\", \"x.png\" }' &\n"
                                        "i=0; while [ $i -lt 5000 ]; do i=$((i+1));\n"
                                        "  echo 'setImage x.png'; done\n"
                                        "kill $!; echo 'setTitle __done__'\n"));
    QVERIFY(startPlugin());
    host->press("swap", "k1");
    QTRY_VERIFY_WITH_TIMEOUT(host->messages.endsWith(done), 60000);
    host->press("echo", "k1", R"({"n":"still here"})");
    QTRY_VERIFY(host->messages.endsWith(title("still here", "k1")));
}

void FaultsTest::cutLines_data()
{
    QTest::addColumn<QByteArray>("start"); // the line's start; 'A's make it 100 KB
    QTest::addColumn<bool>("sent");
    QTest::addColumn<QString>("logged");

    QTest::newRow("a title goes as far as it was read")
        << QByteArray("setTitle ") << true << "cut at 65536 bytes";
    QTest::newRow("a picture would be broken") << QByteArray("setImage <svg ") << false
                                               << "Could not set image, the line was cut: "
                                                  "larger pictures go as files";
    QTest::newRow("so would settings") << QByteArray("setSettings {\"a\":\"") << false
                                       << "Could not set settings, the line was cut";
}

void FaultsTest::cutLines()
{
    QFETCH(QByteArray, start);
    QFETCH(bool, sent);
    QFETCH(QString, logged);
    SKIP_WITHOUT_SH("the long line is made with head and tr");

    QVERIFY(bundle->writeScript("long", "printf '%s' '" + start +
                                            "'\n"
                                            "head -c 100000 /dev/zero | tr '\\0' A\n"
                                            "printf '\\nsetTitle __done__\\n'\n"));
    QVERIFY(startPlugin());
    host->press("long", "k1");
    QTRY_VERIFY(host->messages.endsWith(done));
    QCOMPARE(host->messages.size(), sent ? 3 : 2);
    QCOMPARE(bundle->logLines().filter(logged).size(), 1);
}

QTEST_GUILESS_MAIN(FaultsTest)
#include "tst_faults.moc"
