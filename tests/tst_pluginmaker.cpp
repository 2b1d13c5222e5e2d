// "keyscript-host plugin": the header lines it reads, what it refuses and its defaults, and a
// made folder whose plugin runs the author's script.
#include "runner/scriptheader.h"
#include "support/authorfolder.h"
#include "support/bundle.h"
#include "support/standinhost.h"

#include <QtTest>

class PluginMakerTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void headerLines_data();
    void headerLines();
    void refusalsAndDefaults_data();
    void refusalsAndDefaults();
    void madePluginRunsTheAuthorsScript();

private:
    static bool writeFiles(const QString &folder, const QStringList &files)
    {
        return AuthorFolder::write(folder, files);
    }
    int make(const QStringList &arguments, const QString &workDir)
    {
        return AuthorFolder::make(host, arguments, workDir, &err);
    }
    // The manifest of a made folder, or an empty object.
    static QJsonObject manifest(const QString &folder);

    Bundle bundle;
    QString host;
    QByteArray err;
};

void PluginMakerTest::initTestCase()
{
    QVERIFY(bundle.isValid());
    host = bundle.addHost();
    QVERIFY(!host.isEmpty());
}

void PluginMakerTest::headerLines_data()
{
    QTest::addColumn<QByteArray>("script");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("tooltip");
    QTest::addColumn<QString>("states");
    QTest::addColumn<QString>("error"); // the first one; none when empty

    QTest::newRow("sh") << QByteArray("#!/bin/sh\n# keyscript name: Mute microphone\n")
                        << "Mute microphone"
                        << ""
                        << ""
                        << "";
    QTest::newRow("batch, any case, Windows line ends")
        << QByteArray("@echo off\r\nREM keyscript name: Mute\r\n@rem keyscript states: 2\r\n")
        << "Mute"
        << ""
        << "2"
        << "";
    QTest::newRow("every other comment")
        << QByteArray("// keyscript name: A\n-- keyscript tooltip: Does B\n; keyscript states: 1\n"
                      ":: keyscript name: A\n")
        << ""
        << "Does B"
        << "1"
        << "line 4: \"keyscript name:\" was given on line 1 already";
    QTest::newRow("prose and code are no headers")
        << QByteArray("# keyscript is what runs this\necho keyscript name: X\n#! keyscript "
                      "name: Y\n")
        << ""
        << ""
        << ""
        << "";
    QTest::newRow("only near the top")
        << QByteArray(QByteArray(20, '\n') + "# keyscript name: Late\n") << ""
        << ""
        << ""
        << "";
    QTest::newRow("no value") << QByteArray("#!/bin/sh\n# keyscript name:   \n") << ""
                              << ""
                              << ""
                              << "line 2: \"keyscript name:\" needs a value after the colon";
    QTest::newRow("no colon") << QByteArray("# keyscript tooltip Mutes\n") << ""
                              << ""
                              << ""
                              << "line 1: a colon belongs after \"keyscript tooltip\"";
    QTest::newRow("unknown header") << QByteArray("# keyscript colour: red\n") << ""
                                    << ""
                                    << ""
                                    << "line 1: \"keyscript colour:\" is no header; the headers "
                                       "are name, tooltip, states, user-title, on-failure, "
                                       "on-success, every, shell, setting, shared-setting, "
                                       "layout, rotate, push, touch, long-touch, profile and "
                                       "watch-app";
    QTest::newRow("a result mark the host has not")
        << QByteArray("# keyscript on-failure: beep\n") << ""
        << ""
        << ""
        << "line 1: \"keyscript on-failure:\" is alert, not \"beep\"";
    QTest::newRow("too often") << QByteArray("# keyscript every: 100ms\n") << ""
                               << ""
                               << ""
                               << "line 1: \"keyscript every:\" is a time such as 5s, 500ms or "
                                  "1m, at least 250ms, not \"100ms\"";
    QTest::newRow("three states") << QByteArray("# keyscript states: 3\n") << ""
                                  << ""
                                  << ""
                                  << "line 1: \"keyscript states:\" is 1, 2 or the names of one "
                                     "or two states (Off, On), each one line of at most 64 "
                                     "characters, not \"3\"";
    QTest::newRow("named states") << QByteArray("# keyscript states: Off, On\n") << ""
                                  << ""
                                  << "Off, On"
                                  << "";
    // What the host shows is refused when it cannot show it, never cut.
    QTest::newRow("a name longer than the host shows")
        << QByteArray("# keyscript name: " + QByteArray(65, 'n') + "\n") << ""
        << ""
        << ""
        << "line 1: \"keyscript name:\" is longer than the 64 characters the host shows";
    QTest::newRow("a control character") << QByteArray("# keyscript name: a\x01b\n") << ""
                                         << ""
                                         << ""
                                         << "line 1: \"keyscript name:\" holds a control character";
    QTest::newRow("not UTF-8") << QByteArray("# keyscript tooltip: caf\xe9\n") << ""
                               << ""
                               << ""
                               << "line 1: \"keyscript tooltip:\" is not valid UTF-8";
    QTest::newRow("only a zero-width space") << QByteArray("# keyscript name: \xe2\x80\x8b\n") << ""
                                             << ""
                                             << ""
                                             << "line 1: \"keyscript name:\" is blank";
    QTest::newRow("a layout the host has not")
        << QByteArray("# keyscript layout: $Z9\n") << ""
        << ""
        << ""
        << "line 1: \"keyscript layout:\" is one of the host's layouts ($X1, $A0, $A1, $B1, $B2, "
           "$C1) or a .json file beside the scripts, not \"$Z9\"";
    QTest::newRow("a layout outside the scripts")
        << QByteArray("# keyscript layout: ../volume.json\n") << ""
        << ""
        << ""
        << "line 1: \"keyscript layout:\" is one of the host's layouts ($X1, $A0, $A1, $B1, $B2, "
           "$C1) or a .json file beside the scripts, not \"../volume.json\"";
    QTest::newRow("three state names") << QByteArray("# keyscript states: a, b, c\n") << ""
                                       << ""
                                       << ""
                                       << "line 1: \"keyscript states:\" is 1, 2 or the names of "
                                          "one or two states (Off, On), each one line of at most "
                                          "64 characters, not \"a, b, c\"";
}

void PluginMakerTest::headerLines()
{
    QFETCH(QByteArray, script);
    QFETCH(QString, error);
    const ScriptHeader header = ScriptHeader::read(script);
    if (error.isEmpty()) {
        QFETCH(QString, name);
        QFETCH(QString, tooltip);
        QFETCH(QString, states);
        QCOMPARE(header.errors, QStringList());
        QCOMPARE(header.name.value, name);
        QCOMPARE(header.tooltip.value, tooltip);
        QCOMPARE(header.states.value, states);
    } else {
        QCOMPARE(header.errors.value(0), error);
    }
}

void PluginMakerTest::refusalsAndDefaults_data()
{
    QTest::addColumn<QStringList>("files");
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("said"); // on standard error
    // Of a made folder: each action as UUID:Name:states:Icon.
    QTest::addColumn<QString>("actions");

    const QStringList none;
    QTest::newRow("upper case") << QStringList{"x com.me.keys.Mute"} << none << 9
                                << "com.me.keys.Mute: \"com.me.keys.Mute\" is no action name the "
                                   "host accepts"
                                << "";
    QTest::newRow("underscore") << QStringList{"x com.me.keys.big_mute@keyUp"} << none << 9
                                << "\"com.me.keys.big_mute\" is no action name"
                                << "";
    QTest::newRow("space") << QStringList{"x com.me.keys.big mute"} << none << 9
                           << "\"com.me.keys.big mute\" is no action name"
                           << "";
    QTest::newRow("unknown event") << QStringList{"x com.me.keys.a@keyDown"} << none << 9
                                   << "com.me.keys.a@keyDown: \"keyDown\" is no event"
                                   << "";
    QTest::newRow("header without a value")
        << QStringList{"x com.me.keys.a|#!/bin/sh\n# keyscript name:\n"} << none << 9
        << "com.me.keys.a: line 2: \"keyscript name:\" needs a value"
        << "";
    QTest::newRow("headers that disagree")
        << QStringList{"x com.me.keys.a|#!/bin/sh\n# keyscript name: A\n",
                       "x com.me.keys.a@keyUp|#!/bin/sh\n# keyscript name: B\n"}
        << none << 9
        << "com.me.keys.a@keyUp: line 2: \"keyscript name:\" says \"B\", but com.me.keys.a line 2 "
           "says \"A\""
        << "";
    // The other system's scripts make the same action there.
    QTest::newRow("headers that disagree between the systems")
        << QStringList{"x com.me.keys.a|#!/bin/sh\n# keyscript name: A\n",
                       "- com.me.keys.a.ps1|# keyscript name: B\n"}
        << none << 9
        << "com.me.keys.a.ps1: line 1: \"keyscript name:\" says \"B\", but com.me.keys.a line 2 "
           "says \"A\"; the scripts of both systems make one action: say the same"
        << "";
    QTest::newRow("an event script for one system only")
        << QStringList{"x com.me.keys.v@dialRotate", "- com.me.keys.v@dialRotate.ps1|exit 0",
                       "- com.me.keys.v@touchTap.ps1|exit 0"}
        << none << 0
        << "note: com.me.keys.v@touchTap: no macOS script, so a macOS key does nothing when "
           "touched"
        << "com.me.keys.v:v:1:images/action";
    QTest::newRow("--pack and --link")
        << QStringList{"x com.me.keys.a"} << QStringList{"--pack", "--link"} << 2
        << "--pack and --link: an installer file goes to other computers"
        << "";
    QTest::newRow("only script not executable")
        << QStringList{"- com.me.keys.a|#!/bin/sh\necho 'setTitle a'\n"} << none << 9
        << "com.me.keys.a: not executable"
        << "";
    QTest::newRow("carriage return on #!")
        << QStringList{"x com.me.keys.a|#!/bin/sh\r\necho\r\n"} << none << 9
        << "com.me.keys.a: line 1: the #! line ends in a carriage return"
        << "";
    QTest::newRow("empty folder") << QStringList{"- com.me.keys.a.svg|<svg/>"} << none << 9
                                  << "no scripts for macOS and Linux here"
                                  << "";
    // A folder for another system would carry this system's program: it is made there.
    QTest::newRow("--for windows here")
        << QStringList{"- com.me.keys.a.cmd|echo setTitle a"} << QStringList{"--for", "windows"}
        << 10
        << "--for windows needs keyscript's program for Windows, which is not here: this "
           "keyscript-host is for another system. Give --from with keyscript's installer file "
           "for Windows, or make the plugin with the keyscript-host in keyscript's folder there "
           "(or under Wine)"
        << "";
#ifdef Q_OS_LINUX
    QTest::newRow("--for mac on Linux")
        << QStringList{"x com.me.keys.a"} << QStringList{"--for", "mac"} << 10
        << "--for mac needs keyscript's program for macOS, which is not here"
        << "";
    QTest::newRow("made on Linux, for trying")
        << QStringList{"x com.me.keys.a"} << none << 0
        << "note: made for trying here, with keyscript-host and the host's validator; the host "
           "cannot run it"
        << "com.me.keys.a:a:1:images/action";
#endif
    // A dial's layout file is checked as the host reads it.
    QTest::newRow("a dial's layout off its strip")
        << QStringList{"x com.me.keys.v@dialRotate|#!/bin/sh\n# keyscript layout: v.json\n",
                       R"(- v.json|{"id":"v","items":[{"key":"a","type":"bar","rect":[0,0,300,10],"value":0}]})"}
        << none << 9
        << "v.json: item 1 (\"a\"): its \"rect\" is [x, y, width, height] inside the dial's 200 "
           "by 100 strip"
        << "";
    QTest::newRow("a dial's layout that is not there")
        << QStringList{"x com.me.keys.v@dialRotate|#!/bin/sh\n# keyscript layout: no.json\n"}
        << none << 9 << "no.json: the layout a header names is not in the scripts' folder"
        << "";
    QTest::newRow("bad --uuid") << QStringList{"x com.me.keys.a"}
                                << QStringList{"--uuid", "com.me.Keys"} << 2
                                << "--uuid \"com.me.Keys\" is no UUID the host accepts"
                                << "";
    QTest::newRow("bad --support-url")
        << QStringList{"x com.me.keys.a"} << QStringList{"--support-url", "javascript:alert(1)"}
        << 2 << "--support-url takes a web address"
        << "";
    QTest::newRow("bad --version")
        << QStringList{"x com.me.keys.a"} << QStringList{"--version", "1.2.x"} << 2
        << "--version takes up to four whole numbers"
        << "";

    QTest::newRow("defaults") << QStringList{"x com.me.keys.mute-mic"} << none << 0 << ""
                              << "com.me.keys.mute-mic:mute-mic:1:images/action";
    QTest::newRow("pictures, folders and Windows scripts are no actions")
        << QStringList{"x com.me.keys.a", "- com.me.keys.a.svg|<svg/>", "- lib/helper.py|x = 1",
                       "- com.me.keys.b.bat|echo setTitle b"}
        << none << 0 << "note: com.me.keys.b: left out, since its scripts (com.me.keys.b.bat)"
        << "com.me.keys.a:a:1:images/action";
    QTest::newRow("an appear script alone, two states")
        << QStringList{"x com.me.keys.live@willAppear|#!/bin/sh\n# keyscript states: 2\n"} << none
        << 0 << ""
        << "com.me.keys.live:live:2:images/action";
    QTest::newRow("--install where the host does not run")
        << QStringList{"x com.me.keys.a"} << QStringList{"--install"} << 10
        << "not installed: the host runs on Windows and macOS"
        << "com.me.keys.a:a:1:images/action";
}

void PluginMakerTest::refusalsAndDefaults()
{
    SKIP_WITHOUT_SH("the folders hold sh scripts and their permissions");
    QFETCH(QStringList, files);
    QFETCH(QStringList, arguments);
    QFETCH(int, exitCode);
    QFETCH(QString, said);
    QFETCH(QString, actions);

    QTemporaryDir temporary;
    const QString scripts = temporary.filePath("keys");
    QVERIFY(QDir().mkpath(scripts));
    QVERIFY(writeFiles(scripts, files));
    // A plugin made before: replaced whole, or left as it was.
    const QString out = temporary.filePath("out");
    const QString made = out + "/com.me.keys.sdPlugin";
    QVERIFY(QDir().mkpath(made));
    QVERIFY(writeFiles(made, {"- earlier|made before"}));

    QCOMPARE(make(QStringList{"--cmd", scripts, "--uuid", "com.me.keys"} + arguments, out),
             exitCode);
    QVERIFY2(err.contains(said.toUtf8()), err.constData());
    // Nothing of the run is left beside the folder: no lock, no half-made folder.
    QCOMPARE(QDir(out).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
             QStringList{"com.me.keys.sdPlugin"});
    if (actions.isEmpty()) {
        QVERIFY(QFileInfo::exists(made + "/earlier"));
        return;
    }
    QVERIFY(!QFileInfo::exists(made + "/earlier"));
    QStringList summary;
    for (const QJsonValue &action : manifest(made).value("Actions").toArray()) {
        const QJsonObject a = action.toObject();
        summary << QStringList{a.value("UUID").toString(), a.value("Name").toString(),
                               QString::number(a.value("States").toArray().size()),
                               a.value("Icon").toString()}
                       .join(':');
        // Two states are the script's: the host must not flip them itself.
        QCOMPARE(a.value("DisableAutomaticStates").toBool(),
                 a.value("States").toArray().size() == 2);
    }
    QCOMPARE(summary.join(';'), actions);
}

void PluginMakerTest::madePluginRunsTheAuthorsScript()
{
    SKIP_WITHOUT_SH("the author's scripts are sh scripts");
    QTemporaryDir temporary;
    const QString scripts = temporary.filePath("keys");
    QVERIFY(QDir().mkpath(scripts));
    QVERIFY(writeFiles(scripts,
                       {"x com.me.keys.hello|#!/bin/sh\n# keyscript name: Say hello\n"
                        "# keyscript tooltip: Greets the name in its settings\n"
                        "# keyscript user-title: off\n"
                        "echo \"setTitle Hello $ZEB_name\"\n",
                        "x com.me.keys.mute|#!/bin/sh\n# keyscript states: 2\necho 'setState 1'\n",
                        "- com.me.keys.mute.svg|<svg xmlns='http://www.w3.org/2000/svg'/>",
                        "- data/words.txt|hello", "- profiles/Work.streamDeckProfile|PK"}));
    QCOMPARE(make({"--cmd", scripts, "--uuid", "com.me.keys", "--name", "My keys", "--version",
                   "1.2", "--out", temporary.path()},
                  temporary.path()),
             0);
    const QString made = temporary.filePath("com.me.keys.sdPlugin");
    const QJsonObject m = manifest(made);
    QCOMPARE(m.value("Name").toString(), "My keys");
    QCOMPARE(m.value("Category").toString(), "My keys");
    QCOMPARE(m.value("Version").toString(), "1.2.0.0");
    QCOMPARE(m.value("CodePath").toString(), "bin/keyscript");
    QCOMPARE(m.value("CodePathMac").toString(), "bin/keyscript");
    QCOMPARE(m.value("OS").toArray().size(), 1);
    const QJsonObject hello = m.value("Actions").toArray().at(0).toObject();
    QCOMPARE(hello.value("Name").toString(), "Say hello");
    QCOMPARE(hello.value("Tooltip").toString(), "Greets the name in its settings");
    // The title scripts set shows though the user typed one; the profile can be switched to.
    QCOMPARE(hello.value("UserTitleEnabled"), QJsonValue(false));
    QCOMPARE(m.value("Profiles").toArray().size(), 1);
    QCOMPARE(m.value("Profiles").toArray().at(0).toObject().value("Name").toString(), "Work");
    QVERIFY(QFileInfo(made + "/Work.streamDeckProfile").isFile());
    QVERIFY(!QFileInfo::exists(made + "/cmd/profiles"));
    // Every picture the manifest names is in the folder, and the author's files came along.
    for (const char *file :
         {"images/plugin.png", "images/plugin@2x.png", "images/category.png", "images/key.svg",
          "images/action.svg", "images/actions/com.me.keys.mute.svg", "cmd/data/words.txt"})
        QVERIFY2(QFileInfo(made + QLatin1Char('/') + QLatin1String(file)).isFile(), file);
    QVERIFY(QFileInfo(made + "/cmd/com.me.keys.hello").isExecutable());

    // The folder's own plugin, started as the host starts it, runs the author's copy.
    StandInHost standIn;
    PluginProcess plugin;
    plugin.setWorkingDirectory(temporary.path());
    plugin.start(made + "/bin/keyscript", {"-port", QString::number(standIn.port()), "-pluginUUID",
                                           "p", "-registerEvent", "registerPlugin", "-info", "{}"});
    QTRY_COMPARE(standIn.messages.size(), 1);
    QVERIFY(standIn.press("com.me.keys.hello", "ctx", R"({"name":"Ada"})"));
    QTRY_COMPARE(standIn.messages.size(), 2);
    QCOMPARE(standIn.messages.at(1),
             R"({"context":"ctx","event":"setTitle","payload":{"target":0,"title":"Hello Ada"}})");
}

QJsonObject PluginMakerTest::manifest(const QString &folder)
{
    QFile file(folder + "/manifest.json");
    return file.open(QIODevice::ReadOnly) ? QJsonDocument::fromJson(file.readAll()).object()
                                          : QJsonObject();
}

QTEST_GUILESS_MAIN(PluginMakerTest)
#include "tst_pluginmaker.moc"
