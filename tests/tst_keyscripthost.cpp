// keyscript-host, the stand-in host for script authors: its usage errors, its registration
// checks, and the events it sends on the plugin's behalf.
#include "host/hostoptions.h"
#include "host/messageformat.h"
#include "support/bundle.h"
#include "support/hostrun.h"

#include <QtTest>

#include <algorithm>

class KeyscriptHostTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void readable_data();
    void readable();
    void interactiveWords_data();
    void interactiveWords();
    void usageErrors_data();
    void usageErrors();
    void helpNamesEveryOption();
    void registrationFailures_data();
    void registrationFailures();
    void events_data();
    void events();
    void interactiveInput();
    void pluginThatEndsEarly();
    void pressWithoutScript();
    void logAndImages();
    void runsEndWithAReason_data();
    void runsEndWithAReason();
    void keysRemember_data();
    void keysRemember();
    void keepFiles_data();
    void keepFiles();
    void dialWords_data();
    void dialWords();

private:
    // Runs keyscript-host from the bundle; returns its exit code.
    // With interruptAfterMs, it is asked to end (SIGTERM) that long after its start.
    int run(const QStringList &arguments, const QByteArray &input = QByteArray(),
            int interruptAfterMs = -1);

    Bundle bundle;
    HostRun hostRun;
    QTemporaryDir &temporary = hostRun.temporary;
    QString host;
    QByteArray out;
    QByteArray err;
};

void KeyscriptHostTest::initTestCase()
{
    QVERIFY(bundle.isValid());
    host = bundle.addHost();
    QVERIFY(!host.isEmpty());
    QVERIFY(bundle.writeScript("greet", "echo \"setTitle Hello $ZEB_name\"\necho 'setState 1'\n",
                               "setlocal EnableDelayedExpansion\n"
                               "echo setTitle Hello !ZEB_name!\necho setState 1\n"));
    // Stores a secret it declares: keyscript-host shows it as dots, as it does the key's own.
    QVERIFY(bundle.writeScript("vault",
                               "# keyscript setting: password secret \"Password\"\n"
                               "echo 'setSettings {\"password\":\"p2\",\"user\":\"u\"}'\n",
                               "REM keyscript setting: password secret \"Password\"\n"
                               "echo setSettings {\"password\":\"p2\",\"user\":\"u\"}\n"));
    // A dial: its turns draw on the strip, its taps and pushes say what they were told.
    QVERIFY(bundle.writeScript(
        "dial@dialRotate",
        "echo 'setFeedbackLayout $B1'\n"
        "echo \"setFeedback "
        "{\\\"title\\\":\\\"Volume\\\",\\\"value\\\":\\\"$KEYSCRIPT_TICKS\\\"}\"\n"
        "echo \"setTitle $KEYSCRIPT_EVENT $KEYSCRIPT_TICKS $KEYSCRIPT_PRESSED "
        "$KEYSCRIPT_CONTROLLER\"\n",
        "echo setFeedbackLayout $B1\necho setFeedback "
        "{\"title\":\"Volume\",\"value\":\"%KEYSCRIPT_TICKS%\"}\n"
        "echo setTitle %KEYSCRIPT_EVENT% %KEYSCRIPT_TICKS% %KEYSCRIPT_PRESSED% "
        "%KEYSCRIPT_CONTROLLER%\n"));
    QVERIFY(
        bundle.writeScript("dial@touchTap",
                           "echo \"setTitle $KEYSCRIPT_EVENT $KEYSCRIPT_TAP_X,$KEYSCRIPT_TAP_Y "
                           "$KEYSCRIPT_HOLD $KEYSCRIPT_CONTROLLER\"\n",
                           "echo setTitle %KEYSCRIPT_EVENT% %KEYSCRIPT_TAP_X%,%KEYSCRIPT_TAP_Y% "
                           "%KEYSCRIPT_HOLD% %KEYSCRIPT_CONTROLLER%\n"));
    QVERIFY(bundle.writeScript("dial@dialDown", "echo \"setTitle $KEYSCRIPT_EVENT\"\n",
                               "echo setTitle %KEYSCRIPT_EVENT%\n"));
    // Each event script of "ev" says what it was told.
    for (const char *event : {"keyUp", "willAppear", "willDisappear", "didReceiveSettings"})
        QVERIFY(bundle.writeScript(QString("ev@") + event,
                                   "echo \"setTitle $KEYSCRIPT_EVENT $KEYSCRIPT_CONTEXT "
                                   "${KEYSCRIPT_STATE-none} $KEYSCRIPT_COLUMN/$KEYSCRIPT_ROW "
                                   "$KEYSCRIPT_SETTINGS\"\n",
                                   "setlocal EnableDelayedExpansion\n"
                                   "if defined KEYSCRIPT_STATE (set \"s=!KEYSCRIPT_STATE!\") "
                                   "else (set \"s=none\")\n"
                                   "echo setTitle !KEYSCRIPT_EVENT! !KEYSCRIPT_CONTEXT! !s! "
                                   "!KEYSCRIPT_COLUMN!/!KEYSCRIPT_ROW! !KEYSCRIPT_SETTINGS!\n"));
    QVERIFY(bundle.writeScript("dot", "echo 'setImage <svg/>'\n", "echo setImage ^<svg/^>\n"));
    QVERIFY(bundle.writeScript("slow", "sleep 1\necho 'setTitle late'\n",
                               "ping -n 2 127.0.0.1 >nul\necho setTitle late\n"));
    QVERIFY(bundle.writeFile("work/afile", "not a folder"));
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

int KeyscriptHostTest::run(const QStringList &arguments, const QByteArray &input,
                           int interruptAfterMs)
{
    const int exitCode = hostRun.run(host, bundle.workDir(), arguments, input, interruptAfterMs);
    out = hostRun.out;
    err = hostRun.err;
    return exitCode;
}

void KeyscriptHostTest::readable_data()
{
    QTest::addColumn<QString>("json");
    QTest::addColumn<QString>("readable");

    QTest::newRow("setTitle")
        << R"({"context":"k1","event":"setTitle","payload":{"target":0,"title":"Hello"}})"
        << R"(setTitle context=k1 target=0 title="Hello")";
    QTest::newRow("escapes in titles")
        << R"({"context":"k1","event":"setTitle","payload":{"target":0,"title":"a\"b\nc"}})"
        << R"(setTitle context=k1 target=0 title="a\"b\nc")";
    QTest::newRow("a context that is no plain word is quoted")
        << R"({"context":"a b","event":"showAlert"})"
        << R"(showAlert context="a b")";
    QTest::newRow("objects stay JSON")
        << R"({"context":"c","event":"setSettings","payload":{"k":{"x":1}}})"
        << R"(setSettings context=c k={"x":1})";
    QTest::newRow("not JSON comes back as it is") << "garbage"
                                                  << "garbage";
}

void KeyscriptHostTest::readable()
{
    QFETCH(QString, json);
    QFETCH(QString, readable);
    QCOMPARE(readableMessage(json), readable);
}

void KeyscriptHostTest::interactiveWords_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<QStringList>("words");

    QTest::newRow("white space") << "press  a\t--context k"
                                 << QStringList{"press", "a", "--context", "k"};
    QTest::newRow("a bare JSON object with spaces")
        << R"(press a --settings {"name": "A B"})"
        << QStringList{"press", "a", "--settings", R"({"name": "A B"})"};
    QTest::newRow("single quotes, as on the command line")
        << R"(press a --settings '{"name": "A B"}')"
        << QStringList{"press", "a", "--settings", R"({"name": "A B"})"};
    QTest::newRow("double quotes with escapes")
        << R"(press "my action" --context "say \"hi\"")"
        << QStringList{"press", "my action", "--context", R"(say "hi")"};
    QTest::newRow("quotes inside a word") << "press a'b c'd" << QStringList{"press", "ab cd"};
}

void KeyscriptHostTest::interactiveWords()
{
    QFETCH(QString, line);
    QFETCH(QStringList, words);
    QCOMPARE(splitShorthand(line), words);
}

void KeyscriptHostTest::usageErrors_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("message");

    QTest::newRow("settings not JSON") << QStringList{"press", "a", "--settings", "{bad"}
                                       << "--settings takes a JSON object, not \"{bad\"";
    QTest::newRow("settings an array") << QStringList{"press", "a", "--settings", "[1]"}
                                       << "--settings takes a JSON object, not \"[1]\"";
    QTest::newRow("raw event not JSON")
        << QStringList{"--send", "keyDown"} << "--send takes a JSON object, not \"keyDown\"";
    QTest::newRow("press without action") << QStringList{"press"} << "press needs a value";
    QTest::newRow("unknown option")
        << QStringList{"--frobnicate"} << "unknown option --frobnicate (see --help)";
    QTest::newRow("stray word") << QStringList{"greet"} << "unexpected \"greet\"";
    QTest::newRow("repeat 0") << QStringList{"--repeat", "0", "press", "a"}
                              << "--repeat takes a whole number from 1 up, not \"0\"";
    QTest::newRow("plugin missing") << QStringList{"--plugin", "/no/such/plugin", "press", "a"}
                                    << "no plugin to start at /no/such/plugin";
    QTest::newRow("empty uuid") << QStringList{"--uuid", "", "press", "a"}
                                << "--uuid, --register-event and --info may not be empty";
    QTest::newRow("a turn of nothing")
        << QStringList{"rotate", "a"} << "rotate needs --ticks N, a whole number other than 0";
    QTest::newRow("a tap off the strip") << QStringList{"tap", "a", "--at", "200,10"}
                                         << "--at takes X,Y on the dial's 200 by 100 canvas";
    QTest::newRow("a state the host does not know")
        << QStringList{"press", "a", "--state", "5"} << "--state takes 0 or 1";
    QTest::newRow("a chosen state outside a multi-action")
        << QStringList{"press", "a", "--desired-state", "0"} << "--desired-state is the state";
    QTest::newRow("a deep link to no plugin")
        << QStringList{"deeplink", "https://example.org/"} << "deeplink takes the URL";
    QTest::newRow("resources without any")
        << QStringList{"resources", "a"} << "resources needs --resources JSON";
    QTest::newRow("images into a folder that cannot be made")
        << QStringList{"--save-images", "afile/images", "press", "a"}
        << "cannot write images to afile/images: ";
}

void KeyscriptHostTest::usageErrors()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, message);

    QCOMPARE(run(arguments), 2);
    QVERIFY2(err.startsWith("keyscript-host: " + message.toUtf8()), err.constData());
    QCOMPARE(err.count('\n'), 1);
    QVERIFY(out.isEmpty());
}

void KeyscriptHostTest::helpNamesEveryOption()
{
    QCOMPARE(run({"--help"}), 0);
    for (const char *option : {"press", "--settings", "--context", "--device", "--send", "--repeat",
                               "--interactive", "--plugin", "--uuid", "--register-event", "--info",
                               "--json", "--verbose", "--quiet-ms", "--timeout"})
        QVERIFY2(out.contains(option), option);
}

void KeyscriptHostTest::registrationFailures_data()
{
    QTest::addColumn<QByteArray>("fakePlugin");
    QTest::addColumn<QString>("message");

    QTest::newRow("no registration in time")
        << QByteArray("sleep 10\n") << "no registration from the plugin within 300 ms";
    QTest::newRow("exits before registering")
        << QByteArray("exit 4\n") << "the plugin exited with code 4 before it registered";
    // The real plugin, told another uuid than the host expects.
    QTest::newRow("wrong uuid")
        << QByteArray("exec \"$(dirname \"$0\")/keyscript\" -port \"$2\" -pluginUUID wrong "
                      "-registerEvent \"$6\" -info \"$8\"\n")
        << R"(the plugin registered with {"event":"registerPlugin","uuid":"wrong"}, expected)";
    QTest::newRow("wrong event")
        << QByteArray("exec \"$(dirname \"$0\")/keyscript\" -port \"$2\" -pluginUUID \"$4\" "
                      "-registerEvent other -info \"$8\"\n")
        << R"(the plugin registered with {"event":"other","uuid":"U"}, expected)";
}

void KeyscriptHostTest::registrationFailures()
{
    QFETCH(QByteArray, fakePlugin);
    QFETCH(QString, message);

    SKIP_WITHOUT_SH("the fake plugins are shell scripts");
    QVERIFY(bundle.writeFile("bin/fake", "#!/bin/sh\n" + fakePlugin));
    QFile::setPermissions(bundle.binDir() + "/fake", QFile::ReadOwner | QFile::ExeOwner);
    const int timeout = fakePlugin.startsWith("sleep") ? 300 : 10000;
    QCOMPARE(run({"--plugin", bundle.binDir() + "/fake", "--uuid", "U", "--timeout",
                  QString::number(timeout), "press", "greet"}),
             3);
    QVERIFY2(err.startsWith("keyscript-host: " + message.toUtf8()), err.constData());
    QCOMPARE(err.count('\n'), 1);
}

void KeyscriptHostTest::events_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QByteArray>("output");

    QTest::newRow("a press, readable")
        << QStringList{"press", "greet", "--settings", R"({"name":"Ada"})"}
        << QByteArray("setTitle context=key-1 target=0 title=\"Hello Ada\"\n"
                      "setState context=key-1 state=1\n");
    QTest::newRow("a press, raw JSON, own context and device")
        << QStringList{"--json", "press", "greet", "--context", "k9", "--device", "d"}
        << QByteArray(
               R"({"context":"k9","event":"setTitle","payload":{"target":0,"title":"Hello"}})"
               "\n"
               R"({"context":"k9","event":"setState","payload":{"state":1}})"
               "\n");
    QTest::newRow("a raw event")
        << QStringList{"--json", "--send",
                       R"({"event":"keyDown","action":"greet","context":"raw",)"
                       R"("payload":{"settings":{"name":"Bo"}}})"}
        << QByteArray(
               R"({"context":"raw","event":"setTitle","payload":{"target":0,"title":"Hello Bo"}})"
               "\n"
               R"({"context":"raw","event":"setState","payload":{"state":1}})"
               "\n");
    QTest::newRow("a release, with a state")
        << QStringList{"--quiet-ms", "1500", "release", "ev", "--state", "1"}
        << QByteArray("setTitle context=key-1 target=0 title=\"keyUp key-1 1 0/0 {}\"\n");
    QTest::newRow("an appear for a while, then its disappear on the same key")
        << QStringList{"--quiet-ms", "1500",     "appear", "ev",    "--for",
                       "300",        "--column", "2",      "--row", "1"}
        << QByteArray(
               "setTitle context=key-1 target=0 title=\"willAppear key-1 none 2/1 {}\"\n"
               "setTitle context=key-1 target=0 title=\"willDisappear key-1 none 2/1 {}\"\n");
    QTest::newRow("new settings, to the key of the last event of the action")
        << QStringList{"release",  "ev", "--context",  "k",
                       "settings", "ev", "--settings", R"({"n":2})"}
        << QByteArray("setTitle context=k target=0 title=\"keyUp k none 0/0 {}\"\n"
                      "setTitle context=k target=0 title=\"didReceiveSettings k none 0/0 "
                      "{\\\"n\\\":2}\"\n");
    QTest::newRow("scripts from the author's own folder")
        << QStringList{"--cmd", "mine", "press", "hello"}
        << QByteArray("setTitle context=key-1 target=0 title=\"mine\"\n");
    // It waits while the plugin still runs a script, whatever --quiet-ms says.
    QTest::newRow("a script slower than --quiet-ms is waited for")
        << QStringList{"--quiet-ms", "200", "press", "slow"}
        << QByteArray("setTitle context=key-1 target=0 title=\"late\"\n");
    QTest::newRow("a secret the scripts declare shows as dots")
        << QStringList{"--verbose", "--json",     "press",
                       "vault",     "--settings", R"({"password":"p1"})"}
        << QByteArray(R"(> {"device":"device-1","deviceInfo":{"name":"keyscript-host",)"
                      R"("size":{"columns":5,"rows":3},"type":0},"event":"deviceDidConnect"})"
                      "\n"
                      R"(> {"action":"vault","context":"key-1","device":"device-1",)"
                      R"("event":"keyDown","payload":{"controller":"Keypad",)"
                      R"("coordinates":{"column":0,"row":0},"isInMultiAction":false,)"
                      R"("settings":{"password":"•••"}}})"
                      "\n"
                      R"({"context":"key-1","event":"setSettings",)"
                      R"("payload":{"password":"•••","user":"u"}})"
                      "\n");
    QTest::newRow("an image shows as its type and size")
        << QStringList{"--quiet-ms", "1500", "press", "dot"}
        << QByteArray("setImage context=key-1 image=<image/svg+xml, 6 bytes> target=0\n");
}

void KeyscriptHostTest::events()
{
    QFETCH(QStringList, arguments);
    QFETCH(QByteArray, output);

    QCOMPARE(run(arguments), 0);
    // Scripts run side by side: their lines may come in either order.
    QList<QByteArray> lines = out.split('\n');
    QList<QByteArray> expected = output.split('\n');
    std::sort(lines.begin(), lines.end());
    std::sort(expected.begin(), expected.end());
    QCOMPARE(lines, expected);
}

void KeyscriptHostTest::interactiveInput()
{
    // One key per action for the whole session: the command line's, until a --context names
    // another. That key keeps the settings it was given.
    const QByteArray input = "press greet --settings {\"name\": \"A B\"} --context one\n"
                             "\n"
                             "{\"event\":\"keyDown\",\"action\":\"greet\",\"context\":\"two\"}\n"
                             "press greet --settings {broken\n"
                             "press greet\n";
    QCOMPARE(run({"--interactive", "--quiet-ms", "1000", "press", "greet"}, input), 0);
    QStringList lines = QString::fromUtf8(out).split('\n', Qt::SkipEmptyParts);
    lines.sort(); // the scripts run side by side
    QCOMPARE(lines, QStringList({"setState context=key-1 state=1", "setState context=one state=1",
                                 "setState context=one state=1", "setState context=two state=1",
                                 "setTitle context=key-1 target=0 title=\"Hello\"",
                                 "setTitle context=one target=0 title=\"Hello A B\"",
                                 "setTitle context=one target=0 title=\"Hello A B\"",
                                 "setTitle context=two target=0 title=\"Hello\""}));
    QVERIFY2(err.contains("--settings takes a JSON object"), err.constData());
}

void KeyscriptHostTest::pluginThatEndsEarly()
{
    // The script kills the plugin that runs it.
    SKIP_WITHOUT_SH("a batch file knows no parent process to kill");
    QVERIFY(bundle.writeScript("killer", "kill -KILL $PPID\n"));
    QCOMPARE(run({"press", "killer"}), 4);
    QCOMPARE(err, QByteArray("keyscript-host: the plugin crashed or was killed\n"));
}

void KeyscriptHostTest::pressWithoutScript()
{
    // Said once on standard error, with the paths looked for; event scripts are optional.
    QCOMPARE(run({"--quiet-ms", "1500", "appear", "none", "press", "none"}), 5);
    const QString base = bundle.binDir() + "/../cmd/none";
#ifdef Q_OS_WIN
    const QString paths =
        base + ".exe, " + base + ".bat, " + base + ".cmd, " + base + ".ps1 and " + base;
#else
    const QString paths = base;
#endif
    QCOMPARE(QString::fromUtf8(err),
             "keyscript-host: no script for the press; looked for " + paths + "\n");
    QVERIFY(out.isEmpty());
}

void KeyscriptHostTest::logAndImages()
{
    QTemporaryDir images;
    QCOMPARE(run({"--log", "--save-images", images.path(), "press", "dot"}), 0);
    const QString saved = images.filePath("key-1-1.svg");
    const QStringList lines = QString::fromUtf8(out).split('\n', Qt::SkipEmptyParts);
    QVERIFY2(lines.contains("log: read \"setImage <svg/>\""), out.constData());
    QVERIFY2(lines.contains(
                 "setImage context=key-1 image=<image/svg+xml, 6 bytes> target=0 saved=" + saved),
             out.constData());
    QFile file(saved);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), QByteArray("<svg/>"));
}

void KeyscriptHostTest::runsEndWithAReason_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("interruptAfterMs"); // -1: not interrupted
    QTest::addColumn<int>("code");
    QTest::addColumn<QByteArray>("error"); // what standard error starts with

    // Repeated events are made as they are sent, and the run takes no longer than it may.
    QTest::newRow("twenty million events, cut short by the timeout")
        << QStringList{"--repeat", "20000000", "--timeout", "2000", "settings", "quiet"} << -1 << 7
        << QByteArray("keyscript-host: the run was cut short at --timeout 2000 ms\n");
    QTest::newRow("a failing script is shown without --log")
        << QStringList{"press", "fails"} << -1 << 0 << QByteArray("keyscript-host: exit 3\n");
    QTest::newRow("and fails the run with --strict")
        << QStringList{"--strict", "press", "fails"} << -1 << 8
        << QByteArray("keyscript-host: exit 3\n");
    QTest::newRow("interrupted") << QStringList{"--interactive"} << 1500 << 130
                                 << QByteArray("keyscript-host: interrupted\n");
}

void KeyscriptHostTest::runsEndWithAReason()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, interruptAfterMs);
    QFETCH(int, code);
    QFETCH(QByteArray, error);
    if (interruptAfterMs >= 0) {
        SKIP_WITHOUT_SH("Windows has no signal that asks a console program to end");
    }

    QVERIFY(bundle.writeScript("fails", "exit 3\n", "exit /b 3\n"));
    // What an earlier run left there (one that crashed, say) is not this run's doing.
    QDir(temporary.path()).removeRecursively();
    QVERIFY(QDir().mkpath(temporary.path()));
    QCOMPARE(run(arguments, QByteArray(), interruptAfterMs), code);
    QCOMPARE(err, error);
    // Every exit path removes the plugin's temporary working directory (Wine may leave files of
    // its own there).
    QCOMPARE(QDir(temporary.path()).entryList({"keyscript-host*"}, QDir::AllEntries),
             QStringList());
}

void KeyscriptHostTest::keysRemember_data()
{
    QTest::addColumn<QList<QStringList>>("runs"); // "KEEP" stands for the file the keys are kept in
    QTest::addColumn<QByteArray>("output");       // of the last run

    QTest::newRow("settings come back with the next event of the key")
        << QList<QStringList>{{"press", "count", "wait", "500", "press", "count"}}
        << QByteArray("setTitle context=key-1 target=0 title=\"1\"\n"
                      "setSettings context=key-1 n=\"1\"\n"
                      "setTitle context=key-1 target=0 title=\"2\"\n"
                      "setSettings context=key-1 n=\"2\"\n");
    QTest::newRow("and after a restart, with --keep")
        << QList<QStringList>{{"--keep", "KEEP", "press", "count"},
                              {"--keep", "KEEP", "press", "count"}}
        << QByteArray("setTitle context=key-1 target=0 title=\"2\"\n"
                      "setSettings context=key-1 n=\"2\"\n");
    // key-1 is the first action's key in every run.
    QTest::newRow("another action on the key starts afresh")
        << QList<QStringList>{{"--keep", "KEEP", "press", "count"},
                              {"--keep", "KEEP", "press", "other"}}
        << QByteArray("setTitle context=key-1 target=0 title=\"n=none\"\n");
    QTest::newRow("and the first action's settings come back with it")
        << QList<QStringList>{{"--keep", "KEEP", "press", "count"},
                              {"--keep", "KEEP", "press", "other"},
                              {"--keep", "KEEP", "press", "count"}}
        << QByteArray("setTitle context=key-1 target=0 title=\"2\"\n"
                      "setSettings context=key-1 n=\"2\"\n");
    QTest::newRow("a key pressed twice sees what the first press left")
        << QList<QStringList>{{"press", "flip", "press", "flip"}}
        << QByteArray("setState context=key-1 state=0\nsetState context=key-1 state=1\n");
    QTest::newRow("so does the state") << QList<QStringList>{{"--keep", "KEEP", "press", "flip"},
                                                             {"--keep", "KEEP", "press", "flip"}}
                                       << QByteArray("setState context=key-1 state=1\n");
}

void KeyscriptHostTest::keysRemember()
{
    QFETCH(QList<QStringList>, runs);
    QFETCH(QByteArray, output);

    QVERIFY(bundle.writeScript("count",
                               "n=$((${ZEB_n:-0} + 1))\necho \"setTitle $n\"\n"
                               "echo \"setSettings {\\\"n\\\":\\\"$n\\\"}\"\n",
                               "setlocal EnableDelayedExpansion\nset /a n=ZEB_n+1\n"
                               "echo setTitle !n!\necho setSettings {\"n\":\"!n!\"}\n"));
    QVERIFY(bundle.writeScript("other", "echo \"setTitle n=${ZEB_n:-none}\"\n",
                               "if defined ZEB_n (echo setTitle n=%ZEB_n%) else (echo setTitle "
                               "n=none)\n"));
    QVERIFY(bundle.writeScript("flip", "echo \"setState $((1 - ${KEYSCRIPT_STATE:-1}))\"\n",
                               "if \"%KEYSCRIPT_STATE%\"==\"0\" (echo setState 1) else (echo "
                               "setState 0)\n"));
    const QString keep = temporary.filePath(QString("keys-%1.json").arg(QTest::currentDataTag()));
    for (QStringList arguments : runs) {
        arguments.replaceInStrings(QRegularExpression("^KEEP$"), keep);
        QCOMPARE(run(arguments), 0);
    }
    QCOMPARE(out, output);
    QFile::remove(keep);
}

void KeyscriptHostTest::keepFiles_data()
{
    QTest::addColumn<QByteArray>("content"); // of the --keep file before the run
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("said");          // what standard error starts with
    QTest::addColumn<QStringList>("keptAfter"); // in the file after the run

    QTest::newRow("larger than 16 MiB")
        << QByteArray(R"({"keys":{},"pad":")" + QByteArray(17 * 1024 * 1024, 'x') + R"("})")
        << QStringList{"--keep", "KEEP", "press", "greet"} << 2
        << "cannot read --keep KEEP: it is larger than 16 MiB" << QStringList();
    // The deck says so before it gives an address no page would find a deck at.
    QTest::newRow("the deck reads it before its address")
        << QByteArray("not JSON") << QStringList{"deck", "--keep", "KEEP"} << 2
        << "cannot read --keep KEEP" << QStringList();
    // What a newer keyscript-host, or a person, wrote stays.
    // A dial's layout and the values of its items, as the host keeps them.
    QTest::newRow("a dial's strip")
        << QByteArray("{}") << QStringList{"--keep", "KEEP", "rotate", "dial", "--ticks", "2"} << 0
        << "" << QStringList{R"("layout": "$B1")", R"("title": "Volume")", R"("value": "2")"};
    QTest::newRow("fields it does not know stay")
        << QByteArray(R"({"keys":{"key-1":{"action":"greet","settings":{"name":"Ada"},)"
                      R"("colour":"red"}},"layout":{"rows":2}})")
        << QStringList{"--keep", "KEEP", "press", "greet"} << 0 << ""
        << QStringList{R"("colour": "red")", R"("layout": {)", R"("name": "Ada")", R"("state": 1)"};
}

void KeyscriptHostTest::keepFiles()
{
    QFETCH(QByteArray, content);
    QFETCH(QStringList, arguments);
    QFETCH(int, exitCode);
    QFETCH(QString, said);
    QFETCH(QStringList, keptAfter);
    const QString keep = temporary.filePath("kept.json");
    QFile file(keep);
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write(content) == content.size());
    file.close();

    arguments.replaceInStrings(QRegularExpression("^KEEP$"), keep);
    QCOMPARE(run(arguments), exitCode);
    if (!said.isEmpty())
        QVERIFY2(err.startsWith("keyscript-host: " + said.replace("KEEP", keep).toUtf8()),
                 err.constData());
    if (exitCode != 0)
        QVERIFY(out.isEmpty());
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray after = file.readAll();
    for (const QString &kept : keptAfter)
        QVERIFY2(after.contains(kept.toUtf8()), after.constData());
    file.close();
    QFile::remove(keep);
}

void KeyscriptHostTest::dialWords_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QByteArray>("output");

    QTest::newRow("a turn back, held down")
        << QStringList{"rotate", "dial", "--ticks", "-3", "--pressed"}
        << QByteArray("setFeedbackLayout context=key-1 layout=\"$B1\"\n"
                      "setFeedback context=key-1 title=\"Volume\" value=\"-3\"\n"
                      "setTitle context=key-1 target=0 title=\"dialRotate -3 1 Encoder\"\n");
    QTest::newRow("a long touch") << QStringList{"tap", "dial", "--at", "10,20", "--hold"}
                                  << QByteArray("setTitle context=key-1 target=0 "
                                                "title=\"touchTap 10,20 1 Encoder\"\n");
    QTest::newRow("a tap in the middle")
        << QStringList{"tap", "dial"}
        << QByteArray("setTitle context=key-1 target=0 title=\"touchTap 100,50 0 Encoder\"\n");
    QTest::newRow("a push") << QStringList{"dialdown", "dial", "dialup", "dial"}
                            << QByteArray("setTitle context=key-1 target=0 title=\"dialDown\"\n");
}

void KeyscriptHostTest::dialWords()
{
    QFETCH(QStringList, arguments);
    QFETCH(QByteArray, output);
    QCOMPARE(run(arguments), 0);
    QCOMPARE(out, output);
}

QTEST_GUILESS_MAIN(KeyscriptHostTest)
#include "tst_keyscripthost.moc"
