// The host connection's lifecycle, in process against the stand-in host.
#include "connection/qstreamdeckplugin.h"
#include "support/standinhost.h"

#include <QtTest>

#include <memory>

class ConnectionTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void registrationBytes_data();
    void registrationBytes();
    void incompleteValuesAttemptNoConnection_data();
    void incompleteValuesAttemptNoConnection();
    void destroyingClosesWithNormalExit();
    void cleanupWithoutConnectionSendsNothing();
    void hostClosingEndsTheConversation();
};

void ConnectionTest::registrationBytes_data()
{
    QTest::addColumn<QString>("uuid");
    QTest::addColumn<QString>("event");
    QTest::addColumn<QString>("expected");

    QTest::newRow("plain") << "U1"
                           << "E1"
                           << R"({"event":"E1","uuid":"U1"})";
    QTest::newRow("double quote in the uuid") << "A\"B"
                                              << "registerPlugin"
                                              << R"({"event":"registerPlugin","uuid":"A\"B"})";
    QTest::newRow("backslash and non-ASCII") << "C:\\x"
                                             << "Größe"
                                             << R"({"event":"Größe","uuid":"C:\\x"})";
}

void ConnectionTest::registrationBytes()
{
    QFETCH(QString, uuid);
    QFETCH(QString, event);
    QFETCH(QString, expected);

    StandInHost host;
    QStreamDeckPlugin plugin;
    plugin.setLaunchValues(host.port(), uuid, event, "{}");
    QVERIFY(plugin.connectToHost());
    QTRY_COMPARE(host.messages.size(), 1);
    QCOMPARE(host.messages.first(), expected);
    // Then, once, the settings shared by all keys, named by the plugin's UUID.
    const QString uuidJson = expected.section(R"("uuid":)", 1).chopped(1);
    QTRY_COMPARE(host.globalRequests,
                 QStringList{R"({"context":)" + uuidJson + R"(,"event":"getGlobalSettings"})"});
    QTest::qWait(50);
    QCOMPARE(host.messages.size(), 1);
    QCOMPARE(host.globalRequests.size(), 1);
}

void ConnectionTest::incompleteValuesAttemptNoConnection_data()
{
    QTest::addColumn<int>("port"); // -1: the host's real port
    QTest::addColumn<QString>("uuid");
    QTest::addColumn<QString>("event");
    QTest::addColumn<QString>("info");

    QTest::newRow("port 0") << 0 << "U"
                            << "E"
                            << "{}";
    QTest::newRow("negative port") << -5 << "U"
                                   << "E"
                                   << "{}";
    QTest::newRow("empty uuid") << -1 << ""
                                << "E"
                                << "{}";
    QTest::newRow("empty event") << -1 << "U"
                                 << ""
                                 << "{}";
    QTest::newRow("empty info") << -1 << "U"
                                << "E"
                                << "";
}

void ConnectionTest::incompleteValuesAttemptNoConnection()
{
    QFETCH(int, port);
    QFETCH(QString, uuid);
    QFETCH(QString, event);
    QFETCH(QString, info);

    StandInHost host;
    QStreamDeckPlugin plugin;
    plugin.setLaunchValues(port == -1 ? host.port() : port, uuid, event, info);
    QVERIFY(!plugin.connectToHost());
    QTest::qWait(200);
    QCOMPARE(host.connections, 0);
}

void ConnectionTest::destroyingClosesWithNormalExit()
{
    StandInHost host;
    auto plugin = std::make_unique<QStreamDeckPlugin>();
    plugin->setLaunchValues(host.port(), "U", "E", "{}");
    QVERIFY(plugin->connectToHost());
    QTRY_COMPARE(host.messages.size(), 1);

    plugin.reset();
    QTRY_VERIFY(host.clientClosed);
    QCOMPARE(host.closeCode, QWebSocketProtocol::CloseCodeNormal);
    QCOMPARE(host.closeReason, QString("Normal exit"));
    QCOMPARE(host.messages.size(), 1);
}

void ConnectionTest::cleanupWithoutConnectionSendsNothing()
{
    StandInHost host;
    QStreamDeckPlugin plugin;
    plugin.setLaunchValues(host.port(), "U", "E", "{}");
    QVERIFY(plugin.connectToHost());
    plugin.cleanup(); // before the host has answered: nothing to close yet
    QTRY_COMPARE(host.messages.size(), 1);
    QVERIFY(!host.clientClosed);
}

void ConnectionTest::hostClosingEndsTheConversation()
{
    StandInHost host;
    QStreamDeckPlugin plugin;
    QSignalSpy keyDowns(&plugin, &QStreamDeckPlugin::keyDown);
    plugin.setLaunchValues(host.port(), "U", "E", "{}");
    QVERIFY(plugin.connectToHost());
    QTRY_COMPARE(host.messages.size(), 1);

    host.closeClient();
    QTRY_VERIFY(host.clientClosed);
    QTest::qWait(200);
    QCOMPARE(host.connections, 1); // no reconnection
    plugin.cleanup();              // the socket is gone: nothing to send
    QCOMPARE(host.messages.size(), 1);
    QCOMPARE(keyDowns.size(), 0);
}

QTEST_GUILESS_MAIN(ConnectionTest)
#include "tst_connection.moc"
