// The deck under pressure, seen from outside: a page that stops reading while every key
// changes its picture many times a second leaves keyscript-host's memory bounded and Ctrl+C
// answered; half-sent requests are closed; the plugin ends with keyscript-host however it
// ends; a --keep file that is no regular file, or is in use, is refused. Linux only: memory and
// what is left running are read from /proc.
#include "app/terminationsignals.h"
#include "host/childprocesses.h"
#include "support/bundle.h"
#include "support/processinfo.h"

#include <QLockFile>
#include <QRegularExpression>
#include <QTcpSocket>
#include <QWebSocket>
#include <QtTest>

#include <csignal>
#include <memory>

#include <sys/stat.h>

class DeckPressureTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();
    void stalledPageUnderAFlood();
    void stalledSettingsPageUnderAFlood();
    void feedbackFloodKeepsTheHostSmall();
    void halfSentRequestsAreClosed();
    void unregisteredPageSocketsAreClosed();
    void killedDeckTakesItsPlugin();
    void aDeathSignalBeforeThePluginRunsIsNotLost();
    void keptKeysCanBeReadBack();
    void keepFileRefusals_data();
    void keepFileRefusals();

private:
    // Starts keyscript-host deck with arguments; returns the deck's address, empty on failure.
    QString startDeck(const QStringList &arguments);
    // A page's socket whose handshake is sent, and which then reads no more than it must: the
    // deck's own, or with a path, a settings page's.
    std::unique_ptr<QTcpSocket> stalledPage(const QString &address,
                                            const QString &path = QString());

    std::unique_ptr<Bundle> bundle;
    std::unique_ptr<QProcess> deck;
    QByteArray deckOutput;
};

void DeckPressureTest::init()
{
    SKIP_WITHOUT_PROC();
    bundle = std::make_unique<Bundle>();
    QVERIFY(bundle->isValid());
    QVERIFY(!bundle->addHost().isEmpty());
    deckOutput.clear();
}

void DeckPressureTest::cleanup()
{
    if (deck && deck->state() != QProcess::NotRunning) {
        deck->kill();
        deck->waitForFinished();
    }
    deck.reset();
}

QString DeckPressureTest::startDeck(const QStringList &arguments)
{
    deck = std::make_unique<QProcess>();
    deck->setWorkingDirectory(bundle->workDir());
    connect(deck.get(), &QProcess::readyReadStandardOutput, this,
            [this] { deckOutput += deck->readAllStandardOutput(); });
    deck->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    deck->start(bundle->binDir() + "/keyscript-host", QStringList{"deck"} + arguments);
    static const QRegularExpression address("The deck: (http://\\S+)");
    if (!QTest::qWaitFor([this] { return address.match(deckOutput).hasMatch(); }, 20000))
        return QString();
    return address.match(deckOutput).captured(1);
}

std::unique_ptr<QTcpSocket> DeckPressureTest::stalledPage(const QString &address,
                                                          const QString &path)
{
    const QUrl url(address);
    auto page = std::make_unique<QTcpSocket>();
    page->setReadBufferSize(64 * 1024); // what the kernel holds beyond this stays unread
    page->connectToHost(QHostAddress::LocalHost, quint16(url.port()));
    if (!page->waitForConnected(5000))
        return nullptr;
    const QByteArray origin = "http://127.0.0.1:" + QByteArray::number(url.port());
    page->write("GET " + (path.isEmpty() ? url.path() + "socket" : path).toUtf8() +
                " HTTP/1.1\r\nHost: 127.0.0.1\r\n"
                "Upgrade: websocket\r\nConnection: Upgrade\r\n"
                "Sec-WebSocket-Key: dGhlIHNhbXBsZSBub25jZQ==\r\nSec-WebSocket-Version: 13\r\n"
                "Origin: " +
                origin + "\r\n\r\n");
    page->waitForBytesWritten(5000);
    return page;
}

void DeckPressureTest::stalledPageUnderAFlood()
{
    // Fifteen live keys, each showing a picture of 900 KB and a new title every 20 ms.
    QVERIFY(bundle->writeFile("cmd/big.png", QByteArray(900 * 1024, 'x')));
    QJsonObject keys;
    for (int key = 1; key <= 15; ++key) {
        const QString action = QString("flood%1").arg(key);
        QVERIFY(bundle->writeScript(action + "@willAppear",
                                    "i=0\nwhile :; do i=$((i+1)); echo 'setImage big.png'\n"
                                    "echo \"setTitle $i\"; sleep 0.02; done\n"));
        keys.insert(QString("deck-%1").arg(key), QJsonObject{{"action", action}});
    }
    const QString keep = bundle->workDir() + "/keys.json";
    QVERIFY(
        bundle->writeFile("work/keys.json", QJsonDocument(QJsonObject{{"keys", keys}}).toJson()));
    const QString address = startDeck({"--keys", "5x3", "--keep", keep});
    QVERIFY(!address.isEmpty());
    const std::unique_ptr<QTcpSocket> page = stalledPage(address);
    QVERIFY(page);

    // The page reads nothing for a while, the plugin draws on.
    QTest::qWait(6000);
    const qint64 peak = peakKilobytes(deck->processId());
    qInfo() << "keyscript-host peak:" << peak << "kB";
    QVERIFY2(peak > 0 && peak < KEYSCRIPT_TEST_DECK_RSS_LIMIT_KB,
             qPrintable(QString::number(peak) + " kB"));

    // Ctrl+C ends it, under that load, within a few seconds: the plugin gives its scripts up
    // to 2 s, and the keys are written (on this machine 2 to 3 s, before and after --keep was
    // written as keys change; 5 to 6.5 s with the sanitizers, most of it the backlog of
    // pictures the deck works through before its event loop sees the signal).
    ::kill(pid_t(deck->processId()), SIGINT);
    QVERIFY(deck->waitForFinished(KEYSCRIPT_TEST_DECK_END_MS));
}

void DeckPressureTest::feedbackFloodKeepsTheHostSmall()
{
    // A dial whose script sets an 8 KB value on its strip as fast as it can: what the host
    // keeps of the key is replaced each time, and the plugin's log is kept small on disk.
    QVERIFY(bundle->writeScript(
        "flood@willAppear", "v=$(head -c 8000 /dev/zero | tr '\\0' x)\n"
                            "while :; do echo \"setFeedback {\\\"value\\\":\\\"$v\\\"}\"; done\n"));
    QProcess host;
    host.setWorkingDirectory(bundle->workDir());
    host.setStandardOutputFile(QProcess::nullDevice());
    host.start(bundle->binDir() + "/keyscript-host",
               {"appear", "flood", "--for", "6000", "--timeout", "20000"});
    QVERIFY(host.waitForStarted());
    QTest::qWait(5000);
    const qint64 peak = peakKilobytes(host.processId());
    qInfo() << "keyscript-host peak:" << peak << "kB";
    QVERIFY2(peak > 0 && peak < KEYSCRIPT_TEST_DECK_RSS_LIMIT_KB / 2,
             qPrintable(QString::number(peak) + " kB"));
    QVERIFY(host.waitForFinished(20000));
}

void DeckPressureTest::stalledSettingsPageUnderAFlood()
{
    // A live key that stores settings of 60 KB, 3000 times, once its settings page is shown
    // and reads nothing.
    QVERIFY(bundle->writeScript(
        "store@willAppear",
        "while [ ! -e '" + bundle->workDir().toUtf8() +
            "/go' ]; do sleep 0.1; done\n"
            "big=$(head -c 60000 /dev/zero | tr '\\0' x)\ni=0\n"
            "while [ $i -lt 3000 ]; do i=$((i+1))\n"
            "  printf 'setSettings {\"v\":\"%s\",\"i\":\"%s\"}\\n' \"$big\" \"$i\"\n"
            "done\ntouch '" +
            bundle->workDir().toUtf8() + "/done'\nexec sleep 60\n"));
    const QString keep = bundle->workDir() + "/keys.json";
    QVERIFY(bundle->writeFile(
        "work/keys.json",
        QJsonDocument(
            QJsonObject{{"keys", QJsonObject{{"deck-1", QJsonObject{{"action", "store"}}}}}})
            .toJson()));
    const QString address = startDeck({"--keys", "2x1", "--keep", keep});
    QVERIFY(!address.isEmpty());
    const QUrl url(address);
    QWebSocket deckPage("http://127.0.0.1:" + QString::number(url.port()));
    QString inspect;
    connect(&deckPage, &QWebSocket::textMessageReceived, this, [&inspect](const QString &text) {
        if (text.contains(R"("type":"inspect")"))
            inspect = text;
    });
    deckPage.open(QUrl("ws://127.0.0.1:" + QString::number(url.port()) + url.path() + "socket"));
    QTRY_COMPARE(deckPage.state(), QAbstractSocket::ConnectedState);
    deckPage.sendTextMessage(R"({"type":"select","index":0})");
    QTRY_VERIFY(!inspect.isEmpty());
    const QString uuid =
        QJsonDocument::fromJson(inspect.toUtf8()).object().value("uuid").toString();

    // The page registers (a masked frame, its mask all zero), then reads no more.
    const std::unique_ptr<QTcpSocket> page = stalledPage(address, "/");
    QVERIFY(page);
    QTRY_VERIFY(page->bytesAvailable() > 0); // the handshake's answer
    const QByteArray registration =
        R"({"event":"registerPropertyInspector","uuid":")" + uuid.toLatin1() + R"("})";
    page->write(QByteArray("\x81") + char(0x80 | registration.size()) + QByteArray(4, '\0') +
                registration);
    QVERIFY(page->waitForBytesWritten(5000));
    QTest::qWait(500); // the plugin has heard the page appear
    const qint64 before = peakKilobytes(deck->processId());
    QVERIFY(bundle->writeFile("work/go", "")); // and the script begins

    // What waits for the page stays within the deck's bound (4 MiB, and the latest of each
    // kind): without it, all the script stored (180 MB) would pile up for the page.
    const QString done = bundle->workDir() + "/done";
    QTRY_VERIFY_WITH_TIMEOUT(QFileInfo::exists(done), 60000);
    QTest::qWait(1000); // keyscript-host has read what the plugin sent last
    const qint64 growth = peakKilobytes(deck->processId()) - before;
    qInfo() << "keyscript-host grew by" << growth << "kB";
    QVERIFY2(before > 0 && growth < KEYSCRIPT_TEST_DECK_RSS_LIMIT_KB / 2,
             qPrintable(QString::number(growth) + " kB"));
}

void DeckPressureTest::halfSentRequestsAreClosed()
{
    const QString address = startDeck({"--keys", "2x1"});
    QVERIFY(!address.isEmpty());
    std::vector<std::unique_ptr<QTcpSocket>> sockets;
    for (int i = 0; i < 20; ++i) {
        auto socket = std::make_unique<QTcpSocket>();
        socket->connectToHost(QHostAddress::LocalHost, quint16(QUrl(address).port()));
        QVERIFY(socket->waitForConnected(5000));
        socket->write("GET / HTTP/1.1\r\nHost: 127.0.0.1\r\n"); // and never the rest
        sockets.push_back(std::move(socket));
    }
    QTRY_VERIFY_WITH_TIMEOUT(std::all_of(sockets.begin(), sockets.end(),
                                         [](const std::unique_ptr<QTcpSocket> &socket) {
                                             return socket->state() ==
                                                    QAbstractSocket::UnconnectedState;
                                         }),
                             15000);
}

void DeckPressureTest::unregisteredPageSocketsAreClosed()
{
    // Settings-page sockets that open and never register hold nothing for long.
    const QString address = startDeck({"--keys", "2x1"});
    QVERIFY(!address.isEmpty());
    const QUrl url(address);
    const QString origin = "http://127.0.0.1:" + QString::number(url.port());
    std::vector<std::unique_ptr<QWebSocket>> sockets;
    for (int i = 0; i < 20; ++i) {
        sockets.push_back(std::make_unique<QWebSocket>(origin));
        sockets.back()->open(QUrl("ws://127.0.0.1:" + QString::number(url.port()) + "/"));
    }
    QTRY_VERIFY_WITH_TIMEOUT(std::all_of(sockets.begin(), sockets.end(),
                                         [](const std::unique_ptr<QWebSocket> &socket) {
                                             return socket->state() ==
                                                    QAbstractSocket::ConnectedState;
                                         }),
                             5000);
    QTRY_VERIFY_WITH_TIMEOUT(std::all_of(sockets.begin(), sockets.end(),
                                         [](const std::unique_ptr<QWebSocket> &socket) {
                                             return socket->state() ==
                                                    QAbstractSocket::UnconnectedState;
                                         }),
                             8000);
}

void DeckPressureTest::killedDeckTakesItsPlugin()
{
    QVERIFY(!startDeck({"--keys", "2x1"}).isEmpty());
    // The deck says its address as soon as it listens, and may start the plugin just after.
    QTRY_COMPARE_WITH_TIMEOUT(childrenOf(deck->processId()).size(), 1, 5000);
    const qint64 plugin = childrenOf(deck->processId()).first().toLongLong();
    QVERIFY(isAlive(plugin));
    deck->kill(); // SIGKILL: keyscript-host has no say
    QVERIFY(deck->waitForFinished(5000));
    QTRY_VERIFY_WITH_TIMEOUT(!isAlive(plugin), 5000);
}

void DeckPressureTest::aDeathSignalBeforeThePluginRunsIsNotLost()
{
#ifndef Q_OS_LINUX
    QSKIP("only Linux has a death signal");
#else
    // keyscript-host's own handler, as it has it while it starts the plugin; the death signal
    // arrives between the request for it and the exec (keyscript-host killed just then).
    const TerminationSignals handler;
    QProcess plugin;
    endsWithThisProcess(plugin);
    const auto request = plugin.childProcessModifier();
    plugin.setChildProcessModifier([request] {
        request();
        raise(SIGTERM);
    });
    plugin.start("/bin/sleep", {"30"});
    plugin.waitForFinished(5000);
    QCOMPARE(plugin.state(), QProcess::NotRunning);
#endif
}

void DeckPressureTest::keepFileRefusals_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("said");
    QTest::newRow("a FIFO") << "fifo"
                            << "is no regular file";
    QTest::newRow("in use by another run") << "locked"
                                           << "is in use by another keyscript-host run";
}

void DeckPressureTest::keepFileRefusals()
{
    QFETCH(QString, kind);
    QFETCH(QString, said);
    const QString keep = bundle->workDir() + "/keys.json";
    QLockFile lock(keep + ".lock");
    if (kind == "fifo")
        QCOMPARE(mkfifo(QFile::encodeName(keep).constData(), 0600), 0);
    else
        QVERIFY(lock.tryLock(0));
    QProcess run;
    run.setWorkingDirectory(bundle->workDir());
    run.start(bundle->binDir() + "/keyscript-host", {"--keep", keep, "press", "a"});
    QVERIFY(run.waitForFinished(10000));
    QCOMPARE(run.exitCode(), 2);
    QVERIFY2(run.readAllStandardError().contains(said.toUtf8()), qPrintable(said));
}

void DeckPressureTest::keptKeysCanBeReadBack()
{
    // Eighteen keys with a picture of 900 KB each: more than a --keep file may hold. The file
    // is written while the keys change, so a run that is killed keeps them, and it stays a
    // file the next run reads.
    QVERIFY(bundle->writeFile("cmd/big.png", QByteArray(900 * 1024, 'x')));
    QStringList events{"--keep", bundle->workDir() + "/keys.json"};
    for (int key = 1; key <= 18; ++key) {
        QVERIFY(bundle->writeScript(QString("pic%1@willAppear").arg(key),
                                    "echo 'setImage big.png'\nexec sleep 100\n"));
        events << "appear" << QString("pic%1").arg(key);
    }
    QProcess run;
    run.setWorkingDirectory(bundle->workDir());
    run.setStandardOutputFile(QProcess::nullDevice());
    run.start(bundle->binDir() + "/keyscript-host", events);
    QVERIFY(run.waitForStarted());
    const QString keep = bundle->workDir() + "/keys.json";
    QTRY_VERIFY_WITH_TIMEOUT(QFileInfo(keep).size() > 8 * 1024 * 1024, 20000);
    QTest::qWait(1500);
    run.kill();
    QVERIFY(run.waitForFinished());
    QVERIFY2(QFileInfo(keep).size() <= 16 * 1024 * 1024,
             qPrintable(QString::number(QFileInfo(keep).size())));
    QProcess again;
    again.setWorkingDirectory(bundle->workDir());
    again.start(bundle->binDir() + "/keyscript-host", {"--keep", keep, "press", "nothing"});
    QVERIFY(again.waitForFinished(20000));
    const QByteArray said = again.readAllStandardError();
    QVERIFY2(!said.contains("cannot read --keep"), said.constData());
}

QTEST_GUILESS_MAIN(DeckPressureTest)
#include "tst_deckpressure.moc"
