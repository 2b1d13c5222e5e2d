// The host's events that no one key has: a deep link, an application launched or ended, a
// device changed, the computer awake again. Each reaches the scripts with what it tells.
#include "support/bundle.h"
#include "support/standinhost.h"

#include <QtTest>

#include <memory>

namespace {
QString appear(const QString &action, const QString &context)
{
    return QStringLiteral(R"({"action":"%1","context":"%2","device":"dev","event":"willAppear",)"
                          R"("payload":{"coordinates":{"column":0,"row":0},"settings":{}}})")
        .arg(action, context);
}

QString title(const QString &context, const QString &text)
{
    return QStringLiteral(
               R"({"context":"%1","event":"setTitle","payload":{"target":0,"title":"%2"}})")
        .arg(context, text);
}

const QString changed =
    R"({"device":"dev","deviceInfo":{"name":"Desk 2","size":{"columns":8,"rows":4},"type":7},)"
    R"("event":"deviceDidChange"})";
} // namespace

class HostEventsTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void eventsReachScripts_data();
    void eventsReachScripts();
};

void HostEventsTest::eventsReachScripts_data()
{
    // Each step is sent once the messages of the step before have arrived, and brings exactly
    // these messages, in order (a line feed between them).
    QTest::addColumn<QStringList>("send");
    QTest::addColumn<QStringList>("expect");

    const QString deepLink = R"({"event":"didReceiveDeepLink","payload":{"url":"%1"}})";
    QTest::newRow("a deep link: the action's script once, for each of its visible keys")
        << QStringList{appear("d", "k2"), appear("d", "k1"), appear("x", "k3"),
                       deepLink.arg("hello/w%20orld?a=1&streamdeck=hidden#top")}
        << QStringList{"", "", "",
                       title("k1", "/hello/w%20orld|a=1&streamdeck=hidden|top|streamdeck://plugins/"
                                   "message/com.me.keys/hello/w%20orld?a=1&streamdeck=hidden#top") +
                           "\n" +
                           title("k2",
                                 "/hello/w%20orld|a=1&streamdeck=hidden|top|streamdeck://plugins/"
                                 "message/com.me.keys/hello/w%20orld?a=1&streamdeck=hidden#top")};
    QTest::newRow("a deep link given whole, with no key of the action in view")
        << QStringList{deepLink.arg("streamdeck://plugins/message/com.me.keys"), appear("d", "k1"),
                       deepLink.arg("streamdeck://plugins/message/com.me.keys")}
        << QStringList{"", "", title("k1", "|||streamdeck://plugins/message/com.me.keys")};
    QTest::newRow("an application: its keys' titles, the plugin's own command once")
        << QStringList{appear("d", "k1"), appear("d", "k2"),
                       R"({"event":"applicationDidLaunch","payload":{"application":"Music.app"}})",
                       R"({"event":"applicationDidTerminate","payload":{"application":"music.exe"}})"}
        << QStringList{"", "", title("k1", "up Music.app") + "\n" + title("k2", "up Music.app"),
                       title("k1", "down music.exe") + "\n" + title("k2", "down music.exe") + "\n" +
                           R"({"event":"logMessage","payload":{"message":"down"}})"};
    QTest::newRow("a press knows its device, from -info and as it changes")
        << QStringList{R"({"action":"d","context":"k1","device":"dev","event":"keyDown","payload":{"settings":{}}})",
                       changed,
                       R"({"action":"d","context":"k1","device":"dev","event":"keyDown","payload":{"settings":{}}})",
                       R"({"action":"d","context":"k5","device":"other","event":"keyDown","payload":{"settings":{}}})"}
        << QStringList{title("k1", "0 Desk 5x3"), "", title("k1", "7 Desk 2 8x4"),
                       title("k5", "  x")};
    QTest::newRow("a live key hears them all")
        << QStringList{appear("e", "k9"), changed, R"({"event":"systemDidWakeUp"})",
                       deepLink.arg("x"),
                       R"({"action":"e","context":"k9","device":"dev","event":"didReceiveResources","payload":{"resources":{}}})"}
        << QStringList{
               "",
               title(
                   "k9",
                   R"(deviceDidChange {\"name\":\"Desk 2\",\"size\":{\"columns\":8,\"rows\":4},\"type\":7})"),
               title("k9", "systemDidWakeUp {}"),
               title("k9", R"(didReceiveDeepLink {\"url\":\"x\"})"),
               title("k9", R"(didReceiveResources {\"resources\":{}})")};
}

void HostEventsTest::eventsReachScripts()
{
    QFETCH(QStringList, send);
    QFETCH(QStringList, expect);
    SKIP_WITHOUT_SH("the scripts are sh scripts");
    StandInHost host;
    Bundle bundle;
    PluginProcess plugin;
    QVERIFY(bundle.isValid());
    QVERIFY(bundle.writeScript(
        "d@didReceiveDeepLink",
        R"(echo "setTitle $KEYSCRIPT_URL_PATH|$KEYSCRIPT_URL_QUERY|$KEYSCRIPT_URL_FRAGMENT|$KEYSCRIPT_URL")"));
    QVERIFY(bundle.writeScript("d@applicationDidLaunch",
                               "echo \"setTitle up $KEYSCRIPT_APPLICATION\""));
    QVERIFY(
        bundle.writeScript("d@applicationDidTerminate",
                           "echo \"setTitle down $KEYSCRIPT_APPLICATION\"\necho logMessage down"));
    QVERIFY(bundle.writeScript(
        "d",
        R"(echo "setTitle $KEYSCRIPT_DEVICE_TYPE $KEYSCRIPT_DEVICE_NAME ${KEYSCRIPT_DEVICE_COLUMNS}x$KEYSCRIPT_DEVICE_ROWS")"));
    QVERIFY(bundle.writeScript(
        "e@willAppear",
        R"(while read -r event payload; do echo "setTitle $event $payload"; done)"));
    bundle.start(
        plugin, host.port(), "plugin-1", "registerPlugin",
        R"({"devices":[{"id":"dev","name":"Desk","size":{"columns":5,"rows":3},"type":0}],)"
        R"("plugin":{"uuid":"com.me.keys","version":"1.0"}})");
    QTRY_VERIFY_WITH_TIMEOUT(!host.messages.isEmpty(), 10000); // registered
    for (qsizetype i = 0; i < send.size(); ++i) {
        const qsizetype before = host.messages.size();
        QVERIFY(host.sendText(send.at(i)));
        const QStringList wanted =
            expect.at(i).isEmpty() ? QStringList() : expect.at(i).split('\n');
        QTRY_VERIFY_WITH_TIMEOUT(host.messages.size() >= before + wanted.size(), 10000);
        QTest::qWait(wanted.isEmpty() ? 100 : 0); // a step that brings nothing has a moment to
        QCOMPARE(host.messages.mid(before), wanted);
    }
    QTest::qWait(300); // and nothing after the last
    QCOMPARE(host.messages.size() - 1, [&] {
        qsizetype count = 0;
        for (const QString &step : std::as_const(expect))
            count += step.isEmpty() ? 0 : step.split('\n').size();
        return count;
    }());
}

QTEST_MAIN(HostEventsTest)
#include "tst_hostevents.moc"
