// Outbound commands: each slot puts exactly these bytes on the wire.
#include "connection/compactjson.h"
#include "connection/qstreamdeckplugin.h"
#include "support/standinhost.h"

#include <QtTest>

#include <functional>

using Call = std::function<void(QStreamDeckPlugin &)>;
Q_DECLARE_METATYPE(Call)

class CommandsTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void bytesOnTheWire_data();
    void bytesOnTheWire();
    void writtenAsQtWritesJson_data();
    void writtenAsQtWritesJson();

private:
    StandInHost host;
    QStreamDeckPlugin plugin;
};

void CommandsTest::initTestCase()
{
    plugin.setLaunchValues(host.port(), "plugin-uuid", "registerPlugin", "{}");
    QVERIFY(plugin.connectToHost());
    QTRY_COMPARE(host.messages.size(), 1);
}

void CommandsTest::bytesOnTheWire_data()
{
    QTest::addColumn<Call>("call");
    QTest::addColumn<QString>("expected");

    QTest::newRow("setSettings") << Call([](QStreamDeckPlugin &p) {
        QJsonObject settings{{"b", 2}, {"a", QJsonObject{{"x", "y"}}}};
        p.setSettings(settings, "C");
    }) << R"({"context":"C","event":"setSettings","payload":{"a":{"x":"y"},"b":2}})";
    QTest::newRow("setSettings with an empty object") << Call([](QStreamDeckPlugin &p) {
        QJsonObject empty;
        p.setSettings(empty, "C");
    }) << R"({"context":"C","event":"setSettings","payload":{}})";
    QTest::newRow("setGlobalSettings") << Call([](QStreamDeckPlugin &p) {
        QJsonObject settings{{"k", true}};
        p.setGlobalSettings(settings, "C");
    }) << R"({"context":"C","event":"setGlobalSettings","payload":{"k":true}})";
    QTest::newRow("getSettings") << Call([](QStreamDeckPlugin &p) { p.getSettings("C"); })
                                 << R"({"context":"C","event":"getSettings"})";
    QTest::newRow("getGlobalSettings")
        << Call([](QStreamDeckPlugin &p) { p.getGlobalSettings("C"); })
        << R"({"context":"C","event":"getGlobalSettings"})";
    QTest::newRow("openURL sends openUrl")
        << Call([](QStreamDeckPlugin &p) { p.openURL("https://example.org/?a=1&b=\"2\""); })
        << R"({"event":"openUrl","payload":{"url":"https://example.org/?a=1&b=\"2\""}})";
    QTest::newRow("setState") << Call([](QStreamDeckPlugin &p) { p.setState(1, "C"); })
                              << R"({"context":"C","event":"setState","payload":{"state":1}})";
    QTest::newRow("setState negative")
        << Call([](QStreamDeckPlugin &p) { p.setState(-3, "C"); })
        << R"({"context":"C","event":"setState","payload":{"state":-3}})";
    QTest::newRow("setTitle without target")
        << Call([](QStreamDeckPlugin &p) { p.setTitle("Hi", "C"); })
        << R"({"context":"C","event":"setTitle","payload":{"target":0,"title":"Hi"}})";
    QTest::newRow("setTitle with target and escapes")
        << Call([](QStreamDeckPlugin &p) { p.setTitle("a \"q\" \\ b\nc\tü✓", "C", 2); })
        << "{\"context\":\"C\",\"event\":\"setTitle\",\"payload\":{\"target\":2,"
           "\"title\":\"a \\\"q\\\" \\\\ b\\nc\\tü✓\"}}";
    QTest::newRow("setTitle empty strings")
        << Call([](QStreamDeckPlugin &p) { p.setTitle("", ""); })
        << R"({"context":"","event":"setTitle","payload":{"target":0,"title":""}})";
    QTest::newRow("setTitle through the meta-object, two arguments")
        << Call([](QStreamDeckPlugin &p) {
               QMetaObject::invokeMethod(&p, "setTitle", Q_ARG(QString, "M"), Q_ARG(QString, "C"));
           })
        << R"({"context":"C","event":"setTitle","payload":{"target":0,"title":"M"}})";
    QTest::newRow("setImage adds the prefix") << Call([](QStreamDeckPlugin &p) {
        p.setImage("iVBOR", "C");
    }) << R"({"context":"C","event":"setImage","payload":{"image":"data:image/png;base64,iVBOR","target":0}})";
    QTest::newRow("setImage keeps a leading prefix") << Call([](QStreamDeckPlugin &p) {
        p.setImage("data:image/png;base64,AA", "C", 1);
    }) << R"({"context":"C","event":"setImage","payload":{"image":"data:image/png;base64,AA","target":1}})";
    QTest::newRow("setImage keeps a later prefix") << Call([](QStreamDeckPlugin &p) {
        p.setImage("xx data:image/png;base64,AA", "C");
    }) << R"({"context":"C","event":"setImage","payload":{"image":"xx data:image/png;base64,AA","target":0}})";
    QTest::newRow("setImage prefix in other case") << Call([](QStreamDeckPlugin &p) {
        p.setImage("DATA:image/png;base64,AA", "C");
    }) << R"({"context":"C","event":"setImage","payload":{"image":"data:image/png;base64,DATA:image/png;base64,AA","target":0}})";
    QTest::newRow("setImage keeps a data URI of another type") << Call([](QStreamDeckPlugin &p) {
        p.setImage("data:image/jpeg;base64,AA", "C");
    }) << R"({"context":"C","event":"setImage","payload":{"image":"data:image/jpeg;base64,AA","target":0}})";
    QTest::newRow("setImage empty is the key's own image")
        << Call([](QStreamDeckPlugin &p) { p.setImage("", "C"); })
        << R"({"context":"C","event":"setImage","payload":{"image":"","target":0}})";
    QTest::newRow("showAlert") << Call([](QStreamDeckPlugin &p) { p.showAlert("C"); })
                               << R"({"context":"C","event":"showAlert"})";
    QTest::newRow("showOk") << Call([](QStreamDeckPlugin &p) { p.showOk("C"); })
                            << R"({"context":"C","event":"showOk"})";
    QTest::newRow("sendToPropertyInspector") << Call([](QStreamDeckPlugin &p) {
        QJsonObject payload{{"n", 1.5}};
        p.sendToPropertyInspector("a.b", "C", payload);
    }) << R"({"action":"a.b","context":"C","event":"sendToPropertyInspector","payload":{"n":1.5}})";
    QTest::newRow("switchProfile sends switchToProfile with the plugin's context")
        << Call([](QStreamDeckPlugin &p) { p.switchProfile("D", "My Profile"); })
        << R"({"context":"plugin-uuid","device":"D","event":"switchToProfile","payload":{"profile":"My Profile"}})";
    QTest::newRow("switchProfile with an empty name") << Call([](QStreamDeckPlugin &p) {
        p.switchProfile("", "");
    }) << R"({"context":"plugin-uuid","device":"","event":"switchToProfile","payload":{"profile":""}})";
    QTest::newRow("logMessage") << Call([](QStreamDeckPlugin &p) { p.logMessage("line\r\n"); })
                                << R"({"event":"logMessage","payload":{"message":"line\r\n"}})";
}

void CommandsTest::bytesOnTheWire()
{
    QFETCH(Call, call);
    QFETCH(QString, expected);

    host.messages.clear();
    call(plugin);
    QTRY_COMPARE(host.messages.size(), 1);
    QCOMPARE(host.messages.first(), expected);
}

void CommandsTest::writtenAsQtWritesJson_data()
{
    QTest::addColumn<QJsonObject>("object");
    QString controls;
    for (char16_t u = 0; u < 0x20; ++u)
        controls += QChar(u);
    QTest::newRow("every control character")
        << QJsonObject{{"title", controls + QStringLiteral("\x7f\"\\/")}};
    QTest::newRow("beyond ASCII, a pair and halves of pairs") << QJsonObject{
        {"t", QStringLiteral("\u00e9\u4e2d \U0001F600 ") + QChar(0xD800) + "x" + QChar(0xDC00)}};
    QTest::newRow("keys in order, nested, arrays")
        << QJsonObject{{"z", 1},
                       {"a", QJsonObject{{"y", QJsonArray{1, "two", true, false, QJsonValue()}},
                                         {"b", QJsonObject()}}},
                       {"m", QJsonArray()}};
    QTest::newRow("numbers") << QJsonObject{{"int", 42},
                                            {"negative", -7},
                                            {"big", qint64(1) << 60},
                                            {"half", 0.5},
                                            {"whole double", 2.0},
                                            {"tiny", 1e-300},
                                            {"huge", 1.7976931348623157e308},
                                            {"third", 1.0 / 3}};
    QTest::newRow("parsed from a script's settings")
        << QJsonDocument::fromJson(R"({"n":1.50,"e":1e3,"s":"ab","l":[[]],"o":{}})").object();
}

void CommandsTest::writtenAsQtWritesJson()
{
    QFETCH(QJsonObject, object);
    QCOMPARE(compactJson(object).toUtf8(), QJsonDocument(object).toJson(QJsonDocument::Compact));
}

QTEST_GUILESS_MAIN(CommandsTest)
#include "tst_commands.moc"
