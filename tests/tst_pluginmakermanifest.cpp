// "keyscript-host plugin": what scripts say of the whole plugin (its profiles' device types,
// the applications the host watches for it), the host version its manifest asks for, and what
// the maker refuses of them.
#include "support/authorfolder.h"
#include "support/bundle.h"

#include <QtTest>

class PluginMakerManifestTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void pluginWideFields_data();
    void pluginWideFields();

private:
    Bundle bundle;
    QString host;
};

void PluginMakerManifestTest::initTestCase()
{
    QVERIFY(bundle.isValid());
    host = bundle.addHost();
    QVERIFY(!host.isEmpty());
}

void PluginMakerManifestTest::pluginWideFields_data()
{
    QTest::addColumn<QStringList>("files");
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("said");  // on standard error
    QTest::addColumn<QString>("field"); // of the made manifest
    QTest::addColumn<QByteArray>("json");

    const QStringList none;
    const QString dial = "x com.me.keys.v@dialRotate|#!/bin/sh\n# keyscript layout: $B1\n";
    QTest::newRow("applications watched, once each, in order")
        << QStringList{"x com.me.keys.a|#!/bin/sh\n# keyscript watch-app: obs64.exe\n"
                       "# keyscript watch-app: com.apple.Safari\n"
                       "# keyscript watch-app: notepad.exe\n",
                       "x com.me.keys.b|#!/bin/sh\n# keyscript watch-app: Notepad.exe\n"
                       "# keyscript watch-app: com.apple.mail\n",
                       "- com.me.keys.b.ps1|# keyscript watch-app: com.apple.Safari\n"
                       "# keyscript watch-app: Code.exe\n"}
        << none << 0 << ""
        << "ApplicationsToMonitor"
        << QByteArray(R"({"mac":["com.apple.mail","com.apple.Safari"],)"
                      R"("windows":["Code.exe","notepad.exe","obs64.exe"]})");
    QTest::newRow("a profile's device type from a header, else 0")
        << QStringList{"x com.me.keys.a|#!/bin/sh\n# keyscript profile: Work Desk 7\n",
                       "- profiles/Work Desk.streamDeckProfile|PK",
                       "- profiles/Home.streamDeckProfile|PK"}
        << none << 0 << ""
        << "Profiles"
        << QByteArray(R"([{"DeviceType":0,"DontAutoSwitchWhenInstalled":true,"Name":"Home",)"
                      R"("Readonly":false},{"DeviceType":7,"DontAutoSwitchWhenInstalled":true,)"
                      R"("Name":"Work Desk","Readonly":false}])");
    // The oldest host the schema knows reads dials, profiles and watched applications.
    QTest::newRow("the oldest host for dials, profiles and watched applications")
        << QStringList{dial, "x com.me.keys.a|#!/bin/sh\n# keyscript watch-app: a.exe\n",
                       "- profiles/P.streamDeckProfile|PK"}
        << none << 0 << ""
        << "Software" << QByteArray(R"({"MinimumVersion":"6.4"})");
    QTest::newRow("a support page asks for 6.9")
        << QStringList{dial} << QStringList{"--support-url", "https://example.com/help"} << 0 << ""
        << "Software" << QByteArray(R"({"MinimumVersion":"6.9"})");
    QTest::newRow("a deep link's script asks for 6.5, the first host that sends one")
        << QStringList{dial, "x com.me.keys.v@didReceiveDeepLink|#!/bin/sh\n"} << none << 0 << ""
        << "Software" << QByteArray(R"({"MinimumVersion":"6.5"})");

    QTest::newRow("a profile that is not there")
        << QStringList{"x com.me.keys.a|#!/bin/sh\n# keyscript profile: Work 7\n"} << none << 9
        << "com.me.keys.a: line 2: \"keyscript profile:\" names profiles/Work.streamDeckProfile, "
           "which is not in the scripts' folder"
        << "" << QByteArray();
    QTest::newRow("a device type the host has not")
        << QStringList{"x com.me.keys.a|#!/bin/sh\n# keyscript profile: Work 21\n",
                       "- profiles/Work.streamDeckProfile|PK"}
        << none << 9
        << "com.me.keys.a: line 2: \"keyscript profile:\" is a profile's name in profiles/ and "
           "the host's number for its type of device, 0 to 13, not \"Work 21\""
        << "" << QByteArray();
    QTest::newRow("a profile's device type given twice")
        << QStringList{"x com.me.keys.a|#!/bin/sh\n# keyscript profile: Work 7\n",
                       "x com.me.keys.b|#!/bin/sh\n# keyscript profile: Work 2\n",
                       "- profiles/Work.streamDeckProfile|PK"}
        << none << 9
        << "com.me.keys.b: line 2: \"keyscript profile:\" says Work is for device type 2, but "
           "com.me.keys.a line 2 says 7"
        << "" << QByteArray();
    QTest::newRow("a watched application in neither system's form")
        << QStringList{"x com.me.keys.a|#!/bin/sh\n# keyscript watch-app: my editor\n"} << none << 9
        << "com.me.keys.a: line 2: \"keyscript watch-app:\" is a macOS bundle identifier "
           "(com.apple.mail) or a Windows program's name (notepad.exe), without a folder, not "
           "\"my editor\""
        << "" << QByteArray();
    QTest::newRow("an application's folder, not its bundle identifier")
        << QStringList{"x com.me.keys.a|#!/bin/sh\n# keyscript watch-app: Safari.app\n"} << none
        << 9
        << "com.me.keys.a: line 2: \"keyscript watch-app:\" names a macOS application by its "
           "bundle identifier (com.apple.mail, from its Info.plist), not by its folder "
           "\"Safari.app\""
        << "" << QByteArray();
    QTest::newRow("a program's path")
        << QStringList{"x com.me.keys.a|#!/bin/sh\n# keyscript watch-app: C:\\Apps\\x.exe\n"}
        << none << 9 << "\"keyscript watch-app:\" is a macOS bundle identifier"
        << "" << QByteArray();
    QTest::newRow("a layout item hidden by the wrong word")
        << QStringList{"x com.me.keys.v@dialRotate|#!/bin/sh\n# keyscript layout: v.json\n",
                       R"(- v.json|{"id":"v","items":[{"key":"a","type":"text",)"
                       R"("rect":[0,0,9,9],"visible":false}]})"}
        << none << 9
        << "v.json: item 1 (\"a\"): \"visible\" is no property of a text item (\"enabled\" "
           "shows or hides one)"
        << "" << QByteArray();
}

void PluginMakerManifestTest::pluginWideFields()
{
    SKIP_WITHOUT_SH("the folders hold sh scripts and their permissions");
    QFETCH(QStringList, files);
    QFETCH(QStringList, arguments);
    QFETCH(int, exitCode);
    QFETCH(QString, said);
    QFETCH(QString, field);
    QFETCH(QByteArray, json);

    QTemporaryDir temporary;
    const QString scripts = temporary.filePath("keys");
    QVERIFY(QDir().mkpath(scripts));
    QVERIFY(AuthorFolder::write(scripts, files));
    QByteArray err;
    QCOMPARE(AuthorFolder::make(
                 host,
                 QStringList{"--cmd", scripts, "--uuid", "com.me.keys", "--out", temporary.path()} +
                     arguments,
                 temporary.path(), &err),
             exitCode);
    QVERIFY2(err.contains(said.toUtf8()), err.constData());
    QFile manifest(temporary.filePath("com.me.keys.sdPlugin/manifest.json"));
    if (field.isEmpty()) {
        QVERIFY(!manifest.exists());
        return;
    }
    QVERIFY(manifest.open(QIODevice::ReadOnly));
    const QJsonValue value = QJsonDocument::fromJson(manifest.readAll()).object().value(field);
    QCOMPARE(value.isArray() ? QJsonDocument(value.toArray()).toJson(QJsonDocument::Compact)
                             : QJsonDocument(value.toObject()).toJson(QJsonDocument::Compact),
             json);
}

QTEST_GUILESS_MAIN(PluginMakerManifestTest)
#include "tst_pluginmakermanifest.moc"
