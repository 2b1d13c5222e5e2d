#include "models/esddevicemodel.h"
#include "models/esdeventmodel.h"
#include "models/esdpluginmodel.h"
#include "models/qstreamdeckaction.h"

#include <QJsonDocument>
#include <QtTest>

namespace {
QJsonObject object(const char *json)
{
    return QJsonDocument::fromJson(json).object();
}
} // namespace

class ModelsTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void action_data();
    void action();
    void actionOverwritesEveryField();
    void device_data();
    void device();
    void eventKeepsPayloadWithoutKey_data();
    void eventKeepsPayloadWithoutKey();
    void pluginFromJson_data();
    void pluginFromJson();
    void pluginIsValid_data();
    void pluginIsValid();
    void actionIsAMetaType();
};

void ModelsTest::action_data()
{
    QTest::addColumn<QByteArray>("json");
    QTest::addColumn<QStringList>("fields"); // action, context, device, event
    QTest::addColumn<QByteArray>("payload");

    QTest::newRow("all five members")
        << QByteArray(R"({"action":"a.b","context":"C","device":"D","event":"keyDown",)"
                      R"("payload":{"settings":{}}})")
        << QStringList{"a.b", "C", "D", "keyDown"} << QByteArray(R"({"settings":{}})");
    QTest::newRow("empty object") << QByteArray("{}") << QStringList{"", "", "", ""}
                                  << QByteArray("{}");
    QTest::newRow("number as context") << QByteArray(R"({"action":"x","context":5})")
                                       << QStringList{"x", "", "", ""} << QByteArray("{}");
    QTest::newRow("array as payload") << QByteArray(R"({"event":"keyUp","payload":[1,2]})")
                                      << QStringList{"", "", "", "keyUp"} << QByteArray("{}");
    QTest::newRow("null and bool members")
        << QByteArray(R"({"action":null,"device":true,"payload":"{}"})")
        << QStringList{"", "", "", ""} << QByteArray("{}");
}

void ModelsTest::action()
{
    QFETCH(QByteArray, json);
    QFETCH(QStringList, fields);
    QFETCH(QByteArray, payload);

    QStreamDeckAction record;
    QVERIFY(record.fromJson(object(json)));
    QCOMPARE(QStringList({record.action, record.context, record.device, record.event}), fields);
    QCOMPARE(record.payload, object(payload));
}

void ModelsTest::actionOverwritesEveryField()
{
    QStreamDeckAction record;
    record.fromJson(object(R"({"action":"a","context":"c","device":"d","event":"e",)"
                           R"("payload":{"k":1}})"));
    QVERIFY(record.fromJson(QJsonObject()));
    QVERIFY(record.action.isEmpty() && record.context.isEmpty() && record.device.isEmpty() &&
            record.event.isEmpty() && record.payload.isEmpty());
}

void ModelsTest::device_data()
{
    QTest::addColumn<QByteArray>("json");
    QTest::addColumn<QString>("event");
    QTest::addColumn<QString>("device");
    QTest::addColumn<QByteArray>("deviceInfo");

    QTest::newRow("connect with info")
        << QByteArray(R"({"event":"deviceDidConnect","device":"D","deviceInfo":{"type":0}})")
        << "deviceDidConnect"
        << "D" << QByteArray(R"({"type":0})");
    QTest::newRow("without info") << QByteArray(R"({"event":"deviceDidConnect","device":"D"})")
                                  << "deviceDidConnect"
                                  << "D" << QByteArray("{}");
    QTest::newRow("mistyped members")
        << QByteArray(R"({"event":1,"device":[],"deviceInfo":"x"})") << ""
        << "" << QByteArray("{}");
}

void ModelsTest::device()
{
    QFETCH(QByteArray, json);
    QFETCH(QString, event);
    QFETCH(QString, device);
    QFETCH(QByteArray, deviceInfo);

    ESDDeviceModel record;
    QVERIFY(record.fromJson(object(json)));
    QCOMPARE(record.event, event);
    QCOMPARE(record.device, device);
    QCOMPARE(record.deviceInfo, object(deviceInfo));
}

void ModelsTest::eventKeepsPayloadWithoutKey_data()
{
    QTest::addColumn<QByteArray>("json");
    QTest::addColumn<QString>("event");
    QTest::addColumn<QByteArray>("payload");

    QTest::newRow("no payload key keeps the old payload")
        << QByteArray(R"({"event":"systemDidWakeUp"})") << "systemDidWakeUp"
        << QByteArray(R"({"old":true})");
    QTest::newRow("payload replaces")
        << QByteArray(R"({"event":"x","payload":{"new":1}})") << "x" << QByteArray(R"({"new":1})");
    QTest::newRow("mistyped payload empties")
        << QByteArray(R"({"event":"x","payload":3})") << "x" << QByteArray("{}");
}

void ModelsTest::eventKeepsPayloadWithoutKey()
{
    QFETCH(QByteArray, json);
    QFETCH(QString, event);
    QFETCH(QByteArray, payload);

    ESDEventModel record;
    record.payload = object(R"({"old":true})");
    QVERIFY(record.fromJson(object(json)));
    QCOMPARE(record.event, event);
    QCOMPARE(record.payload, object(payload));
}

void ModelsTest::pluginFromJson_data()
{
    QTest::addColumn<QByteArray>("json");
    QTest::addColumn<bool>("accepted");
    QTest::addColumn<int>("port");
    QTest::addColumn<QStringList>("texts"); // uuid, event, info

    const QStringList unchanged{"old-uuid", "old-event", "old-info"};
    QTest::newRow("all four") << QByteArray(R"({"port":12,"uuid":"U","event":"E","info":"I"})")
                              << true << 12 << QStringList{"U", "E", "I"};
    QTest::newRow("info missing, the rest valid")
        << QByteArray(R"({"port":12,"uuid":"U","event":"E"})") << false << 7 << unchanged;
    QTest::newRow("port missing") << QByteArray(R"({"uuid":"U","event":"E","info":"I"})") << false
                                  << 7 << unchanged;
    QTest::newRow("empty object") << QByteArray("{}") << false << 7 << unchanged;
    QTest::newRow("port as a string reads 0")
        << QByteArray(R"({"port":"12","uuid":"U","event":"E","info":"I"})") << true << 0
        << QStringList{"U", "E", "I"};
    QTest::newRow("port with a fraction reads 0")
        << QByteArray(R"({"port":1.5,"uuid":"U","event":"E","info":"I"})") << true << 0
        << QStringList{"U", "E", "I"};
    QTest::newRow("info as an object reads empty")
        << QByteArray(R"({"port":1,"uuid":"U","event":"E","info":{}})") << true << 1
        << QStringList{"U", "E", ""};
}

void ModelsTest::pluginFromJson()
{
    QFETCH(QByteArray, json);
    QFETCH(bool, accepted);
    QFETCH(int, port);
    QFETCH(QStringList, texts);

    ESDPluginModel record(7, "old-uuid", "old-event", "old-info");
    QCOMPARE(record.fromJson(object(json)), accepted);
    QCOMPARE(record.port, port);
    QCOMPARE(QStringList({record.uuid, record.event, record.info}), texts);
}

void ModelsTest::pluginIsValid_data()
{
    QTest::addColumn<int>("port");
    QTest::addColumn<QString>("uuid");
    QTest::addColumn<QString>("event");
    QTest::addColumn<QString>("info");
    QTest::addColumn<bool>("valid");

    QTest::newRow("complete") << 1 << "U"
                              << "E"
                              << "I" << true;
    QTest::newRow("port 0") << 0 << "U"
                            << "E"
                            << "I" << false;
    QTest::newRow("negative port") << -1 << "U"
                                   << "E"
                                   << "I" << false;
    QTest::newRow("empty uuid") << 1 << ""
                                << "E"
                                << "I" << false;
    QTest::newRow("empty event") << 1 << "U"
                                 << ""
                                 << "I" << false;
    QTest::newRow("empty info") << 1 << "U"
                                << "E"
                                << "" << false;
}

void ModelsTest::pluginIsValid()
{
    QFETCH(int, port);
    QFETCH(QString, uuid);
    QFETCH(QString, event);
    QFETCH(QString, info);
    QFETCH(bool, valid);

    QCOMPARE(ESDPluginModel(port, uuid, event, info).isValid(), valid);
}

void ModelsTest::actionIsAMetaType()
{
    const QMetaType type = QMetaType::fromType<QStreamDeckAction>();
    QCOMPARE(QByteArray(type.name()), QByteArray("QStreamDeckAction"));

    QStreamDeckAction original;
    original.action = "a.b";
    original.payload = object(R"({"settings":{"k":"v"}})");
    const QVariant copy = QVariant::fromValue(original);
    QCOMPARE(copy.value<QStreamDeckAction>().action, QString("a.b"));
    QCOMPARE(copy.value<QStreamDeckAction>().payload, original.payload);
}

QTEST_GUILESS_MAIN(ModelsTest)
#include "tst_models.moc"
