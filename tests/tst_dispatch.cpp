// Inbound events: each text message from the host turns into at most one signal.
#include "connection/qstreamdeckplugin.h"
#include "support/standinhost.h"

#include <QJsonDocument>
#include <QtTest>

namespace {
QString json(const QJsonObject &object)
{
    return QString::fromUtf8(QJsonDocument(object).toJson(QJsonDocument::Compact));
}
} // namespace

class DispatchTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();
    void emitsOneSignal_data();
    void emitsOneSignal();
    void binaryFrameIsIgnored();

private:
    void record(const QString &entry) { emitted.append(entry); }
    // Sends text, then a marker message, and waits for the marker: what text caused is in.
    bool deliver(const QString &text);

    StandInHost *host = nullptr;
    QStreamDeckPlugin *plugin = nullptr;
    QStringList emitted;
};

void DispatchTest::initTestCase()
{
    host = new StandInHost(this);
    plugin = new QStreamDeckPlugin(this);
    plugin->setLaunchValues(host->port(), "U", "E", "{}");
    QVERIFY(plugin->connectToHost());
    QTRY_COMPARE(host->messages.size(), 1);

    // Each signal writes one entry: its name and its arguments.
    using Action = void (QStreamDeckPlugin::*)(const QStreamDeckAction &);
    const QList<QPair<const char *, Action>> actionSignals{
        {"keyDown", &QStreamDeckPlugin::keyDown},
        {"keyUp", &QStreamDeckPlugin::keyUp},
        {"willAppear", &QStreamDeckPlugin::willAppear},
        {"willDisappear", &QStreamDeckPlugin::willDisappear},
        {"titleParametersDidChange", &QStreamDeckPlugin::titleParametersDidChange},
        {"propertyInspectorDidAppear", &QStreamDeckPlugin::propertyInspectorDidAppear},
        {"propertyInspectorDidDisappear", &QStreamDeckPlugin::propertyInspectorDidDisappear},
        {"sendToPlugin", &QStreamDeckPlugin::sendToPlugin},
        {"didReceiveSettings", &QStreamDeckPlugin::didReceiveSettings},
        {"didReceiveGlobalSettings", &QStreamDeckPlugin::didReceiveGlobalSettings}};
    for (const auto &[name, signal] : actionSignals) {
        connect(plugin, signal, this, [this, name = name](const QStreamDeckAction &a) {
            record(QStringList{name, a.action, a.context, a.device, a.event, json(a.payload)}.join(
                '|'));
        });
    }
    connect(plugin, &QStreamDeckPlugin::deviceDidConnect, this,
            [this](const QString &device, QJsonObject &info) {
                record("deviceDidConnect|" + device + '|' + json(info));
            });
    connect(plugin, &QStreamDeckPlugin::deviceDidDisconnect, this,
            [this](const QString &device) { record("deviceDidDisconnect|" + device); });
    connect(plugin, &QStreamDeckPlugin::applicationDidLaunch, this,
            [this](const QString &event, QJsonObject &payload) {
                record("applicationDidLaunch|" + event + '|' + json(payload));
            });
    connect(plugin, &QStreamDeckPlugin::applicationDidTerminate, this,
            [this](const QString &event, QJsonObject &payload) {
                record("applicationDidTerminate|" + event + '|' + json(payload));
            });
    connect(plugin, &QStreamDeckPlugin::systemDidWakeUp, this,
            [this] { record("systemDidWakeUp"); });
    plugin->setDialHandler([this](const QStreamDeckAction &a) {
        record(QStringList{"dial", a.action, a.context, a.event, json(a.payload)}.join('|'));
    });

    // The host answers the plugin's own getGlobalSettings; that answer is let through first.
    QTRY_COMPARE(host->globalRequests.size(), 1);
    QVERIFY(deliver(QString()));
}

void DispatchTest::cleanupTestCase()
{
    delete plugin;
    plugin = nullptr;
}

bool DispatchTest::deliver(const QString &text)
{
    emitted.clear();
    const QString marker = R"({"event":"systemDidWakeUp"})";
    if (!host->sendText(text) || !host->sendText(marker))
        return false;
    if (!QTest::qWaitFor([this] { return emitted.endsWith("systemDidWakeUp"); }))
        return false;
    emitted.removeLast();
    return true;
}

void DispatchTest::emitsOneSignal_data()
{
    QTest::addColumn<QString>("message");
    QTest::addColumn<QStringList>("expected");

    const QString payload = R"("payload":{"settings":{"k":"v"}})";
    for (const char *name :
         {"keyDown", "keyUp", "willAppear", "willDisappear", "titleParametersDidChange",
          "propertyInspectorDidAppear", "propertyInspectorDidDisappear", "sendToPlugin",
          "didReceiveSettings", "didReceiveGlobalSettings"}) {
        QTest::addRow("%s", name)
            << QStringLiteral(R"({"action":"a.b","context":"C","device":"D","event":"%1",%2})")
                   .arg(name, payload)
            << QStringList{QStringLiteral(R"(%1|a.b|C|D|%1|{"settings":{"k":"v"}})").arg(name)};
    }
    QTest::newRow("deviceDidConnect")
        << R"({"event":"deviceDidConnect","device":"D","deviceInfo":{"type":7}})"
        << QStringList{R"(deviceDidConnect|D|{"type":7})"};
    QTest::newRow("deviceDidConnect without deviceInfo")
        << R"({"event":"deviceDidConnect","device":"D"})" << QStringList{"deviceDidConnect|D|{}"};
    QTest::newRow("deviceDidDisconnect") << R"({"event":"deviceDidDisconnect","device":"D"})"
                                         << QStringList{"deviceDidDisconnect|D"};
    QTest::newRow("applicationDidLaunch")
        << R"({"event":"applicationDidLaunch","payload":{"application":"x"}})"
        << QStringList{R"(applicationDidLaunch|applicationDidLaunch|{"application":"x"})"};
    QTest::newRow("applicationDidLaunch without payload")
        << R"({"event":"applicationDidLaunch"})"
        << QStringList{"applicationDidLaunch|applicationDidLaunch|{}"};
    QTest::newRow("applicationDidTerminate")
        << R"({"event":"applicationDidTerminate","payload":{}})"
        << QStringList{"applicationDidTerminate|applicationDidTerminate|{}"};
    QTest::newRow("systemDidWakeUp")
        << R"({"event":"systemDidWakeUp"})" << QStringList{"systemDidWakeUp"};

    // Crossing cases: the families are tried by key in the order device, action, event.
    QTest::newRow("device and action keys, a device event")
        << R"({"event":"deviceDidConnect","device":"D","action":"a.b"})"
        << QStringList{"deviceDidConnect|D|{}"};
    QTest::newRow("a device key on an action event")
        << R"({"event":"keyDown","device":"D","action":"a.b","context":"C"})"
        << QStringList{"keyDown|a.b|C|D|keyDown|{}"};
    QTest::newRow("a device key on systemDidWakeUp")
        << R"({"event":"systemDidWakeUp","device":"D"})" << QStringList{"systemDidWakeUp"};
    // The host sends the plugin's shared settings without an action.
    QTest::newRow("didReceiveGlobalSettings without action")
        << R"({"event":"didReceiveGlobalSettings","payload":{"settings":{"t":"x"}}})"
        << QStringList{
               R"(didReceiveGlobalSettings||||didReceiveGlobalSettings|{"settings":{"t":"x"}})"};
    // A dial's events reach the dial handler, never a key's signal.
    for (const char *event : {"dialRotate", "dialDown", "dialUp", "touchTap"})
        QTest::newRow(event) << QStringLiteral(R"({"event":"%1","action":"a.b","context":"C",)"
                                               R"("payload":{"ticks":2}})")
                                    .arg(event)
                             << QStringList{
                                    QStringLiteral(R"(dial|a.b|C|%1|{"ticks":2})").arg(event)};
    QTest::newRow("dialRotate without action")
        << R"({"event":"dialRotate","context":"C"})" << QStringList();
    QTest::newRow("keyDown without action")
        << R"({"event":"keyDown","context":"C"})" << QStringList();
    QTest::newRow("an action message with an application event")
        << R"({"event":"applicationDidLaunch","action":"a.b","payload":{}})" << QStringList();
    QTest::newRow("an action message with systemDidWakeUp")
        << R"({"event":"systemDidWakeUp","action":"a.b"})" << QStringList();
    QTest::newRow("KeyDown in other letter case")
        << R"({"event":"KeyDown","action":"a.b"})" << QStringList();
    QTest::newRow("event a number") << R"({"event":5,"action":"a.b"})" << QStringList();
    QTest::newRow("event an object") << R"({"event":{"name":"systemDidWakeUp"}})" << QStringList();
    QTest::newRow("an unknown device event")
        << R"({"event":"deviceDidChange","device":"D"})" << QStringList();
    QTest::newRow("none of the three keys") << R"({"context":"C"})" << QStringList();
    QTest::newRow("not JSON") << "keyDown" << QStringList();
    QTest::newRow("a JSON array") << R"([{"event":"systemDidWakeUp"}])" << QStringList();
    QTest::newRow("empty text") << "" << QStringList();
    QTest::newRow("mistyped members read empty")
        << R"({"event":"keyDown","action":1,"context":null,"device":[],"payload":"x"})"
        << QStringList{"keyDown||||keyDown|{}"};
}

void DispatchTest::emitsOneSignal()
{
    QFETCH(QString, message);
    QFETCH(QStringList, expected);

    QVERIFY(deliver(message));
    QCOMPARE(emitted, expected);
}

void DispatchTest::binaryFrameIsIgnored()
{
    emitted.clear();
    QVERIFY(host->sendBinary(R"({"event":"systemDidWakeUp"})"));
    QVERIFY(deliver(R"({"event":"keyUp","action":"a"})"));
    QCOMPARE(emitted, QStringList{"keyUp|a|||keyUp|{}"});
}

QTEST_GUILESS_MAIN(DispatchTest)
#include "tst_dispatch.moc"
