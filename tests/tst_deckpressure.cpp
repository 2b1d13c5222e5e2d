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
    void halfSentRequestsAreClosed();
    void unregisteredPageSocketsAreClosed();
    void killedDeckTakesItsPlugin();
    void aDeathSignalBeforeThePluginRunsIsNotLost();
    void keepFileRefusals_data();
    void keepFileRefusals();

private:
    // Starts keyscript-host deck with arguments; returns the deck's address, empty on failure.
    QString startDeck(const QStringList &arguments);
    // A page's socket whose handshake is sent, and which then reads no more than it must.
    std::unique_ptr<QTcpSocket> stalledPage(const QString &address);

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

std::unique_ptr<QTcpSocket> DeckPressureTest::stalledPage(const QString &address)
{
    const QUrl url(address);
    auto page = std::make_unique<QTcpSocket>();
    page->setReadBufferSize(64 * 1024); // what the kernel holds beyond this stays unread
    page->connectToHost(QHostAddress::LocalHost, quint16(url.port()));
    if (!page->waitForConnected(5000))
        return nullptr;
    const QByteArray origin = "http://127.0.0.1:" + QByteArray::number(url.port());
    page->write("GET " + url.path().toUtf8() +
                "socket HTTP/1.1\r\nHost: 127.0.0.1\r\n"
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

    // Ctrl+C ends it, under that load, within a second or so.
    ::kill(pid_t(deck->processId()), SIGINT);
    QVERIFY(deck->waitForFinished(3000));
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
    const QStringList children = childrenOf(deck->processId());
    QCOMPARE(children.size(), 1);
    const qint64 plugin = children.first().toLongLong();
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

QTEST_GUILESS_MAIN(DeckPressureTest)
#include "tst_deckpressure.moc"
