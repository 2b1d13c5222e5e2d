// keyscript-host plays the host as its documentation gives it: the -info it starts the plugin
// with, and the events of the host itself, which belong to no key press.
#include "support/bundle.h"
#include "support/hostrun.h"

#include <QtTest>

class HostPlayTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void hostEvents_data();
    void hostEvents();
    void infoAsTheHostStartsThePlugin_data();
    void infoAsTheHostStartsThePlugin();

private:
    int run(const QStringList &arguments, const QByteArray &input = QByteArray())
    {
        const int exitCode = hostRun.run(host, bundle.workDir(), arguments, input);
        out = hostRun.out;
        return exitCode;
    }

    Bundle bundle;
    HostRun hostRun;
    QString host;
    QByteArray out;
};

void HostPlayTest::initTestCase()
{
    QVERIFY(bundle.isValid());
    host = bundle.addHost();
    QVERIFY(!host.isEmpty());
    // Scripts for the keys the events are for; what they print is not looked at here.
    QVERIFY(bundle.writeScript("greet", "echo 'setTitle Hello'\n", "echo setTitle Hello\n"));
    QVERIFY(bundle.writeScript("ev@willAppear", "true\n", "rem\n"));
    QVERIFY(bundle.writeScript("dial@dialRotate", "true\n", "rem\n"));
    // An author's own folder of scripts, away from the bundle.
    QVERIFY(QDir(bundle.workDir()).mkpath("mine"));
    const QString mine =
        Bundle::scriptSuffix().isEmpty() ? "work/mine/hello" : "work/mine/hello.bat";
    QVERIFY(bundle.writeFile(mine, Bundle::scriptSuffix().isEmpty()
                                       ? QByteArray("#!/bin/sh\necho 'setTitle mine'\n")
                                       : QByteArray("@echo off\necho setTitle mine\n")));
    QVERIFY(QFile::setPermissions(bundle.workDir() + "/../" + mine,
                                  QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
}

void HostPlayTest::hostEvents_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QStringList>("sent"); // after deviceDidConnect, in order
    QTest::addColumn<QByteArray>("input"); // interactive

    QTest::newRow("deviceDidConnect first, once registered")
        << QStringList{} << QStringList{} << QByteArray();
    // The host hands on what follows streamdeck://plugins/message/UUID/.
    QTest::newRow("a deep link")
        << QStringList{"deeplink", "streamdeck://plugins/message/org.keyscript/hi?name=A#b"}
        << QStringList{R"({"event":"didReceiveDeepLink","payload":{"url":"hi?name=A#b"}})"}
        << QByteArray();
    QTest::newRow("an application starts and ends")
        << QStringList{"launch", "com.example.mail", "terminate", "com.example.mail"}
        << QStringList{R"({"event":"applicationDidLaunch","payload":{"application":"com.example.mail"}})",
                       R"({"event":"applicationDidTerminate","payload":)"
                       R"({"application":"com.example.mail"}})"}
        << QByteArray();
    // A key in view appears again with its settings; one gone from view does not.
    const auto view = [](const char *event, const char *action, const char *context,
                         const char *settings) {
        return QStringLiteral(R"({"action":"%1","context":"%2","device":"device-1",)"
                              R"("event":"%3","payload":{"controller":"Keypad",)"
                              R"("coordinates":{"column":0,"row":0},"isInMultiAction":false,)"
                              R"("settings":%4}})")
            .arg(action, context, event, settings);
    };
    QTest::newRow("the computer wakes up")
        << QStringList{"appear", "ev",        "--settings", R"({"n":1})", "appear",
                       "gone",   "disappear", "gone",       "wake"}
        << QStringList{view("willAppear", "ev", "key-1", R"({"n":1})"),
                       view("willAppear", "gone", "key-2", "{}"),
                       view("willDisappear", "gone", "key-2", "{}"),
                       R"({"event":"systemDidWakeUp"})",
                       view("willAppear", "ev", "key-1", R"({"n":1})")}
        << QByteArray();
    QTest::newRow("the device changes")
        << QStringList{"device-change", "--name", "Desk", "--keys", "8x4"}
        << QStringList{R"({"device":"device-1","deviceInfo":{"name":"Desk","size":)"
                       R"({"columns":8,"rows":4},"type":2},"event":"deviceDidChange"})"}
        << QByteArray();
    QTest::newRow("an action's resources")
        << QStringList{"resources", "ev", "--resources", R"({"icon":"a.png"})"}
        << QStringList{R"({"action":"ev","context":"key-1","device":"device-1",)"
                       R"("event":"didReceiveResources","payload":{"controller":"Keypad",)"
                       R"("coordinates":{"column":0,"row":0},"isInMultiAction":false,)"
                       R"("resources":{"icon":"a.png"},"settings":{}}})"}
        << QByteArray();
    QTest::newRow("the state a user chose for a step of a multi-action")
        << QStringList{"press", "greet", "--multi-action", "--state", "1", "--desired-state", "1"}
        << QStringList{R"({"action":"greet","context":"key-1","device":"device-1",)"
                       R"("event":"keyDown","payload":{"controller":"Keypad",)"
                       R"("isInMultiAction":true,"settings":{},"state":1,"userDesiredState":1}})"}
        << QByteArray();
    // Each change from the device as the last one left it.
    QTest::newRow("the device changes twice, interactively")
        << QStringList{"--interactive"}
        << QStringList{R"({"device":"device-1","deviceInfo":{"name":"Desk","size":)"
                       R"({"columns":5,"rows":3},"type":0},"event":"deviceDidChange"})",
                       R"({"device":"device-1","deviceInfo":{"name":"Desk","size":)"
                       R"({"columns":3,"rows":2},"type":1},"event":"deviceDidChange"})"}
        << QByteArray("device-change --name Desk\ndevice-change --keys 3x2\n");
}

void HostPlayTest::hostEvents()
{
    QFETCH(QStringList, arguments);
    QFETCH(QStringList, sent);
    QFETCH(QByteArray, input);
    QCOMPARE(run(QStringList{"--verbose", "--json"} + arguments, input), 0);
    QStringList seen;
    for (const QByteArray &line : out.split('\n')) {
        if (line.startsWith("> "))
            seen << QString::fromUtf8(line.mid(2));
    }
    sent.prepend(R"({"device":"device-1","deviceInfo":{"name":"keyscript-host","size":)"
                 R"({"columns":5,"rows":3},"type":0},"event":"deviceDidConnect"})");
    QCOMPARE(seen, sent);
}

void HostPlayTest::infoAsTheHostStartsThePlugin_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QByteArray>("manifest"); // of the plugin's folder; none when empty
    // plugin.uuid and .version ("*": keyscript-host's own), the device's columns, rows and type.
    QTest::addColumn<QStringList>("info");

    const QByteArray manifest = R"({"UUID":"org.example.tried","Version":"1.2.3.4"})";
    QTest::newRow("the manifest's UUID, not the one to register with")
        << QStringList{"press", "greet"} << manifest
        << QStringList{"org.example.tried", "1.2.3.4", "5", "3", "0"};
    QTest::newRow("without a manifest, the one to register with")
        << QStringList{"press", "greet"} << QByteArray() << QStringList{"U", "*", "5", "3", "0"};
    QTest::newRow("the one the maker would make of --cmd")
        << QStringList{"--cmd", "mine", "press", "hello"} << QByteArray()
        << QStringList{"org.keyscript.tried", "0.0.0.0", "5", "3", "0"};
    QTest::newRow("a device with dials for a dial's events")
        << QStringList{"rotate", "dial", "--ticks", "1"} << QByteArray()
        << QStringList{"U", "*", "4", "2", "7"};
}

void HostPlayTest::infoAsTheHostStartsThePlugin()
{
    QFETCH(QStringList, arguments);
    QFETCH(QByteArray, manifest);
    QFETCH(QStringList, info);
    SKIP_WITHOUT_SH("the plugin that keeps its -info is a shell script");
    QVERIFY(bundle.writeFile("bin/keeps-info",
                             "#!/bin/sh\nprintf '%s' \"$8\" > \"$(dirname \"$0\")/info.json\"\n"
                             "exec \"$(dirname \"$0\")/keyscript\" \"$@\"\n"));
    QFile::setPermissions(bundle.binDir() + "/keeps-info", QFile::ReadOwner | QFile::ExeOwner);
    if (!manifest.isEmpty())
        QVERIFY(bundle.writeFile("manifest.json", manifest));
    const int exitCode =
        run(QStringList{"--plugin", bundle.binDir() + "/keeps-info", "--uuid", "U"} + arguments);
    QFile::remove(bundle.binDir() + "/../manifest.json");
    QCOMPARE(exitCode, 0);
    const QJsonObject sent = QJsonDocument::fromJson(bundle.readFile("bin/info.json")).object();
    const QJsonObject plugin = sent.value("plugin").toObject();
    const QJsonObject device = sent.value("devices").toArray().at(0).toObject();
    const QJsonObject size = device.value("size").toObject();
    if (info.at(1) == "*")
        info[1] = plugin.value("version").toString();
    QCOMPARE((QStringList{plugin.value("uuid").toString(), plugin.value("version").toString(),
                          QString::number(size.value("columns").toInt()),
                          QString::number(size.value("rows").toInt()),
                          QString::number(device.value("type").toInt(-1))}),
             info);
    // The colours by the names the host gives them.
    QCOMPARE(sent.value("colors").toObject().keys(),
             QStringList({"buttonMouseOverBackgroundColor", "buttonPressedBackgroundColor",
                          "buttonPressedBorderColor", "buttonPressedTextColor", "highlightColor"}));
}

QTEST_GUILESS_MAIN(HostPlayTest)
#include "tst_hostplay.moc"
