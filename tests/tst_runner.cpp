// A key press end to end: the real executable in a temporary bundle runs tiny /bin/sh scripts,
// and the stand-in host sees exactly what they print turned into commands.
#include "support/bundle.h"
#include "support/standinhost.h"

#include <QtTest>

#include <memory>

#ifndef Q_OS_WIN
#include <sys/time.h>
#endif

namespace {
QString title(const QString &text, const QString &context = QStringLiteral("k1"))
{
    QString escaped = text;
    escaped.replace("\\", "\\\\").replace("\"", "\\\"").replace("\n", "\\n");
    return QStringLiteral(
               R"({"context":"%1","event":"setTitle","payload":{"target":0,"title":"%2"}})")
        .arg(context, escaped);
}
QString state(int value)
{
    return QStringLiteral(R"({"context":"k1","event":"setState","payload":{"state":%1}})")
        .arg(value);
}
const QString done = title("__done__");
const QString scriptSuffix = Bundle::scriptSuffix();
} // namespace

class RunnerTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();
    void suffixOrder_data();
    void suffixOrder();
    void missingScriptIsLogged_data();
    void missingScriptIsLogged();
    void onlyKeyDownRunsScripts();
    void argumentsAndEnvironment_data();
    void argumentsAndEnvironment();
    void outputCommands_data();
    void outputCommands();
    void lastLineWithoutLineFeed();
    void lineSplitAcrossWrites();
    void quickPressesKeepTheirContext();
    void logLines();
    void eventScripts_data();
    void eventScripts();
    void missingEventScriptsAreSilent();
    void percentStaysLiteralInBatchArguments();
    void changesCountAtTheNextPress_data();
    void changesCountAtTheNextPress();

private:
    // Lines the plugin has sent since registration.
    QStringList sent() const { return host->messages.mid(1); }
    std::unique_ptr<StandInHost> host;
    std::unique_ptr<Bundle> bundle;
    std::unique_ptr<PluginProcess> plugin;
};

void RunnerTest::init()
{
    host = std::make_unique<StandInHost>();
    bundle = std::make_unique<Bundle>();
    plugin = std::make_unique<PluginProcess>();
    QVERIFY(bundle->isValid());
    QVERIFY(bundle->writeFile("work/log.txt", ""));
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("ZEB_inherited", "from the plugin");
    plugin->setProcessEnvironment(environment);
    bundle->start(*plugin, host->port());
    QTRY_COMPARE_WITH_TIMEOUT(host->messages.size(), 1, 10000);
}

void RunnerTest::cleanup()
{
    plugin.reset();
    bundle.reset();
    host.reset();
}

void RunnerTest::suffixOrder_data()
{
    QTest::addColumn<QStringList>("files");
    QTest::addColumn<QString>("ran");

    QTest::newRow("bare") << QStringList{"a"} << "a";
    // Elsewhere neither can run: they hide no script.
    QTest::newRow("a .exe or .bat beside a bare script")
        << QStringList{"a.exe", "a.bat", "a"} << "a";
}

void RunnerTest::suffixOrder()
{
    QFETCH(QStringList, files);
    QFETCH(QString, ran);
    SKIP_WITHOUT_SH("a bare script or a .exe that is a script; the order is in tst_scriptparts");

    for (const QString &file : files)
        QVERIFY(bundle->writeScript(file, "echo \"setTitle " + file.toUtf8() + "\"\n"));
    host->press("a", "k1");
    QTRY_COMPARE(sent(), QStringList{title(ran)});
}

void RunnerTest::missingScriptIsLogged_data()
{
    QTest::addColumn<QString>("action");
    QTest::addColumn<QString>("basePath"); // after "<bin>/../cmd/"

    QTest::newRow("no such script") << "org.keyscript.none"
                                    << "org.keyscript.none";
    // Action names from the host never reach outside cmd/.
    QTest::newRow("parent directory") << "../outside"
                                      << "../outside";
    QTest::newRow("into bin") << "../bin/keyscript"
                              << "../bin/keyscript";
    QTest::newRow("dot dot") << ".."
                             << "..";
    QTest::newRow("dot, the folder itself") << "."
                                            << ".";
    QTest::newRow("empty") << ""
                           << "";
    QTest::newRow("backslash") << "..\\outside"
                               << "..\\\\outside";
    QTest::newRow("subfolder") << "sub/inner"
                               << "sub/inner";
    // "@" parts an action from the event of its event scripts.
    QTest::newRow("an event script's name") << "marker@willAppear"
                                            << "marker@willAppear";
}

void RunnerTest::missingScriptIsLogged()
{
    QFETCH(QString, action);
    QFETCH(QString, basePath);

    QVERIFY(
        bundle->writeScript("../outside", "echo 'setTitle escaped'\n", "echo setTitle escaped\n"));
    QVERIFY(QDir(bundle->cmdDir()).mkpath("sub"));
    QVERIFY(
        bundle->writeScript("sub/inner", "echo 'setTitle escaped'\n", "echo setTitle escaped\n"));
    QVERIFY(
        bundle->writeScript("marker", "echo 'setTitle __done__'\n", "echo setTitle __done__\n"));
    QVERIFY(bundle->writeScript("marker@willAppear", "echo 'setTitle escaped'\n",
                                "echo setTitle escaped\n"));
    host->press(action, "k1");
    host->press("marker", "k1");

    QTRY_COMPARE(sent(), QStringList{done});
    const QStringList log = bundle->logLines();
    QCOMPARE(log.filter("Could not found"),
             QStringList{"Could not found \"" + bundle->binDir() + "/../cmd/" + basePath + "\""});
    QCOMPARE(log.filter("run ").size(), 1); // the marker's
}

void RunnerTest::onlyKeyDownRunsScripts()
{
    // A cmd/ folder without event scripts: only the press runs anything, as it always did.
    QVERIFY(bundle->writeScript("a", "echo 'setTitle ran'\n", "echo setTitle ran\n"));
    for (const char *event : {"keyUp", "willAppear", "willDisappear", "didReceiveSettings",
                              "propertyInspectorDidAppear", "sendToPlugin"}) {
        host->sendText(QStringLiteral(R"({"event":"%1","action":"a","context":"k1",)"
                                      R"("device":"dev","payload":{"settings":{}}})")
                           .arg(event));
    }
    host->press("a", "k1");
    // The key's settings page hears of its scripts; no script ran for it.
    const auto scriptsSent = [this] {
        QStringList lines = sent();
        lines.removeIf(
            [](const QString &line) { return line.contains("sendToPropertyInspector"); });
        return lines;
    };
    QTRY_COMPARE(scriptsSent(), QStringList{title("ran")});
    QTest::qWait(200);
    QCOMPARE(scriptsSent(), QStringList{title("ran")});
}

void RunnerTest::argumentsAndEnvironment_data()
{
    QTest::addColumn<QByteArray>("settings");
    QTest::addColumn<QString>("expected");
#ifdef Q_OS_WIN
    // The batch script prints the command line it got (%*), then the variables it sees. How
    // cmd.exe's command line quotes each argument is tst_batchcommandline's table.
    QTest::newRow("sorted pairs") << QByteArray(R"({"b":"2","a":"1"})")
                                  << "[--a 1 --b 2] a=1 b=2 inherited=unset";
    QTest::newRow("other values as their JSON text")
        << QByteArray(R"({"a":5,"b":true})") << R"([--a 5 --b true] a=5 b=true inherited=unset)";
    QTest::newRow("no settings: an inherited ZEB_ variable is none")
        << QByteArray("null") << "[] a=unset b=unset inherited=unset";
    QTest::newRow("a setting replaces an inherited variable")
        << QByteArray(R"({"inherited":"from the key"})")
        << R"([--inherited "from the key"] a=unset b=unset inherited=from the key)";
    QTest::newRow("a key with = names no variable")
        << QByteArray(R"({"a":"Ada","a=":"Eve"})")
        << R"([--a Ada "--a=" Eve] a=Ada b=unset inherited=unset)";
    QTest::newRow("batch syntax stays text")
        << QByteArray(R"({"a":"x & y | (z) <w>"})")
        << R"([--a "x & y | (z) <w>"] a=x & y | (z) <w> b=unset inherited=unset)";
    return;
#endif

    // The script prints its arguments in brackets, then the variables it sees.
    QTest::newRow("sorted pairs") << QByteArray(R"({"b":"2","a":"1"})")
                                  << "[--a][1][--b][2] a=1 b=2 inherited=unset";
    QTest::newRow("other values as their JSON text")
        << QByteArray(R"({"a":5,"b":true})") << "[--a][5][--b][true] a=5 b=true inherited=unset";
    QTest::newRow("no settings: an inherited ZEB_ variable is none")
        << QByteArray("null") << " a=unset b=unset inherited=unset";
    QTest::newRow("a setting replaces an inherited variable")
        << QByteArray(R"({"inherited":"from the key"})")
        << "[--inherited][from the key] a=unset b=unset inherited=from the key";
    QTest::newRow("a key with = names no variable")
        << QByteArray(R"({"a":"Ada","a=":"Eve"})")
        << "[--a][Ada][--a=][Eve] a=Ada b=unset inherited=unset";
    QTest::newRow("spaces and quotes pass whole")
        << QByteArray(R"({"a":"x \"y\" $HOME;"})")
        << "[--a][x \"y\" $HOME;] a=x \"y\" $HOME; b=unset inherited=unset";
}

void RunnerTest::argumentsAndEnvironment()
{
    QFETCH(QByteArray, settings);
    QFETCH(QString, expected);

    QVERIFY(bundle->writeScript("args", R"(out=""
for a in "$@"; do out="$out[$a]"; done
echo "setTitle $out a=${ZEB_a-unset} b=${ZEB_b-unset} inherited=${ZEB_inherited-unset}"
)",
                                R"(setlocal EnableDelayedExpansion
if defined ZEB_a (set "a=!ZEB_a!") else (set "a=unset")
if defined ZEB_b (set "b=!ZEB_b!") else (set "b=unset")
if defined ZEB_inherited (set "i=!ZEB_inherited!") else (set "i=unset")
echo setTitle [%*] a=!a! b=!b! inherited=!i!
)"));
    host->press("args", "k1", settings);
    QTRY_COMPARE(sent(), QStringList{title(expected)});
}

void RunnerTest::outputCommands_data()
{
    QTest::addColumn<QByteArray>("output");
    QTest::addColumn<QStringList>("expected");

    const QString profile =
        R"({"context":"plugin-1","device":"dev1","event":"switchToProfile","payload":{"profile":"%1"}})";
    const QString alert = R"({"context":"k1","event":"showAlert"})";

    QTest::newRow("inner spaces") << QByteArray("setTitle Hello World\n")
                                  << QStringList{title("Hello World")};
    QTest::newRow("backslash-n is a line break")
        << QByteArray("setTitle a\\nb\n") << QStringList{title("a\nb")};
    QTest::newRow("backslash-N is not")
        << QByteArray("setTitle a\\Nb\n") << QStringList{title("a\\Nb")};
    QTest::newRow("no argument") << QByteArray("setTitle\n") << QStringList{title("")};
    QTest::newRow("a leading double space")
        << QByteArray("setTitle  x\n") << QStringList{title(" x")};
    QTest::newRow("CR LF and outer spaces")
        << QByteArray("  setTitle X  \r\n") << QStringList{title("X")};
    QTest::newRow("other letter case") << QByteArray("SETTITLE X\nsettitle X\n") << QStringList();
    QTest::newRow("a tab does not split") << QByteArray("setTitle\tX\n") << QStringList();
    QTest::newRow("empty and blank lines") << QByteArray("\n   \n\t\n") << QStringList();
    QTest::newRow("non-ASCII") << QByteArray("setTitle Grüße ✓\n") << QStringList{title("Grüße ✓")};
    QTest::newRow("quotes and backslashes")
        << QByteArray("setTitle \"a\" \\ b\n") << QStringList{title("\"a\" \\ b")};
    // The host has states 0 and 1: anything else is refused in the log, not sent as 0.
    QTest::newRow("setState 0 or 1, nothing else")
        << QByteArray("setState 1\nsetState on\nsetState 1.5\nsetState -3\nsetState\n"
                      "setState 99999999999\nsetState 2\nsetState 0\n")
        << QStringList{state(1), state(0)};
    QTest::newRow("setTitle@N and setImage@N: one state only")
        << QByteArray("setTitle@1 On air\nsetTitle@2 x\nsetImage@0 data:image/png;base64,AA\n"
                      "setTitle@ x\nsetTitle 1 Off\n")
        << QStringList{
               R"({"context":"k1","event":"setTitle","payload":{"state":1,"target":0,"title":"On air"}})",
               R"({"context":"k1","event":"setImage","payload":{"image":"data:image/png;base64,AA","state":0,"target":0}})",
               title("1 Off")};
    QTest::newRow("switchProfile with spaces")
        << QByteArray("switchProfile My Profile\nswitchProfile\n")
        << QStringList{profile.arg("My Profile"), profile.arg("")};
    QTest::newRow("showAlert with and without text")
        << QByteArray("showAlert\nshowAlert it failed\n") << QStringList{alert, alert};
    QTest::newRow("two commands in one piece, in order")
        << QByteArray("setTitle A\nsetState 1\n") << QStringList{title("A"), state(1)};
    QTest::newRow("unknown words") << QByteArray("setimage x\nhello\n") << QStringList();

    // The words beyond the first four, each one host command for the key.
    const QString image =
        R"({"context":"k1","event":"setImage","payload":{"image":"%1","target":0}})";
    const QString settings = R"({"context":"k1","event":"setSettings","payload":%1})";
    QTest::newRow("showOk") << QByteArray("showOk\nshowOk done\n")
                            << QStringList(2, R"({"context":"k1","event":"showOk"})");
    QTest::newRow("setImage: nothing, a data URI, inline SVG")
        << QByteArray("setImage\nsetImage data:image/gif;base64,R0lG\nsetImage <svg/>\n")
        << QStringList{image.arg(""), image.arg("data:image/gif;base64,R0lG"),
                       image.arg("data:image/svg+xml;base64,PHN2Zy8+")};
    QTest::newRow("setSettings: an object as printed, else nothing")
        << QByteArray("setSettings {\"on\":true,\"t\":\"a\\nb\"}\nsetSettings [1]\nsetSettings\n")
        << QStringList{settings.arg(R"({"on":true,"t":"a\nb"})")};
    QTest::newRow("openUrl")
        << QByteArray("openUrl https://example.com/a b\n")
        << QStringList{R"({"event":"openUrl","payload":{"url":"https://example.com/a b"}})"};
    QTest::newRow("logMessage with a line break")
        << QByteArray("logMessage one\\ntwo\n")
        << QStringList{R"({"event":"logMessage","payload":{"message":"one\ntwo"}})"};
}

void RunnerTest::outputCommands()
{
    QFETCH(QByteArray, output);
    QFETCH(QStringList, expected);

    QVERIFY(bundle->writeFile("cmd/out.data", output));
    QVERIFY(bundle->writeScript("out",
                                "cat \"$(dirname \"$0\")/out.data\"\n"
                                "echo 'setTitle __done__'\n",
                                "type \"%~dp0out.data\"\necho setTitle __done__\n"));
    host->press("out", "k1", "{}", "dev1");
    QTRY_VERIFY(sent().endsWith(done));
    QCOMPARE(sent(), expected + QStringList{done});
}

void RunnerTest::lastLineWithoutLineFeed()
{
    QVERIFY(bundle->writeScript("a", "printf 'setTitle first\\nsetTitle last'\n",
                                "echo setTitle first\n<nul set /p \"=setTitle last\"\n"));
    host->press("a", "k1");
    QTRY_COMPARE(sent(), QStringList({title("first"), title("last")}));
}

void RunnerTest::lineSplitAcrossWrites()
{
    QVERIFY(bundle->writeScript("a",
                                "printf 'setTi'; sleep 0.3; printf 'tle X\\n'; sleep 0.3\n"
                                "echo 'setTitle __done__'\n",
                                "<nul set /p \"=setTi\"\nping -n 2 127.0.0.1 >nul\n"
                                "echo tle X\nping -n 2 127.0.0.1 >nul\necho setTitle __done__\n"));
    host->press("a", "k1");
    QTRY_VERIFY(sent().endsWith(done));
    QCOMPARE(sent(), QStringList({title("X"), done}));
    QCOMPARE(bundle->logLines().filter("read "),
             QStringList({"read \"setTitle X\"", "read \"setTitle __done__\""}));
}

void RunnerTest::quickPressesKeepTheirContext()
{
    QVERIFY(bundle->writeScript("slow", "sleep 0.3; echo \"setTitle $ZEB_n\"\n",
                                "ping -n 2 127.0.0.1 >nul\necho setTitle %ZEB_n%\n"));
    host->press("slow", "k1", R"({"n":"one"})");
    host->press("slow", "k2", R"({"n":"two"})");
    host->press("slow", "k1", R"({"n":"three"})");
    QTRY_COMPARE(sent().size(), 3);
    QStringList received = sent();
    received.sort();
    QStringList expected{title("one", "k1"), title("two", "k2"), title("three", "k1")};
    expected.sort();
    QCOMPARE(received, expected);
}

void RunnerTest::logLines()
{
    QVERIFY(bundle->writeScript("a", "echo 'setTitle \"hi\"'\n", "echo setTitle \"hi\"\n"));
    host->press("a", "k1", R"({"b":"x y","a":"1"})");
    const QStringList expected{"run \"" + bundle->binDir() + "/../cmd/a" + scriptSuffix +
                                   "\" QList(\"--a\", \"1\", \"--b\", \"x y\")",
                               "state QProcess::Starting",
                               "state QProcess::Running",
                               "read \"setTitle \\\"hi\\\"\"",
                               "state QProcess::NotRunning",
                               "exit 0"};
    QTRY_VERIFY(bundle->logLines().endsWith("exit 0"));
    QStringList logged = bundle->logLines();
#ifdef Q_OS_WIN
    // The log names the interpreter that runs a batch script, after its run line.
    QVERIFY2(logged.value(1).startsWith("by \"") && logged.value(1).endsWith("cmd.exe\""),
             qPrintable(logged.value(1)));
    logged.removeAt(1);
#endif
    QCOMPARE(logged, expected);

    QVERIFY(bundle->writeScript("b", "true\n", "rem nothing\n"));
    host->press("b", "k1");
    QTRY_VERIFY(bundle->logLines().contains("run \"" + bundle->binDir() + "/../cmd/b" +
                                            scriptSuffix + "\" QList()"));
    QTRY_COMPARE(bundle->logLines().filter("exit 0").size(), 2); // so that "exit 3" comes last

    // How a script ended: its exit code, or that it crashed.
    QVERIFY(bundle->writeScript("three", "exit 3\n", "exit /b 3\n"));
    host->press("three", "k1");
    QTRY_VERIFY(bundle->logLines().endsWith("exit 3"));
    SKIP_WITHOUT_SH("a batch file cannot crash");
    QVERIFY(bundle->writeScript("crash", "kill -SEGV $$\n"));
    host->press("crash", "k1");
    QTRY_VERIFY(bundle->logLines().endsWith("crashed"));
}

void RunnerTest::eventScripts_data()
{
    QTest::addColumn<QString>("event");
    for (const char *event :
         {"keyDown", "keyUp", "willAppear", "willDisappear", "didReceiveSettings"})
        QTest::newRow(event) << event;
}

void RunnerTest::eventScripts()
{
    QFETCH(QString, event);
    // Every event has a script that says its name, the event that ran it and a setting.
    const QByteArray sh = "echo \"setTitle $(basename \"$0\") $KEYSCRIPT_EVENT $ZEB_n\"\n";
    const QByteArray bat = "echo setTitle %~n0 %KEYSCRIPT_EVENT% %ZEB_n%\n";
    QVERIFY(bundle->writeScript("a", sh, bat));
    for (const char *other : {"keyUp", "willAppear", "willDisappear", "didReceiveSettings"})
        QVERIFY(bundle->writeScript(QString("a@") + other, sh, bat));
    host->sendText(QStringLiteral(R"({"event":"%1","action":"a","context":"k1","device":"dev",)"
                                  R"("payload":{"settings":{"n":"x"}}})")
                       .arg(event));
    const QString script = event == "keyDown" ? QString("a") : "a@" + event;
    QTRY_COMPARE(sent(), QStringList{title(script + " " + event + " x")});
}

void RunnerTest::missingEventScriptsAreSilent()
{
    QVERIFY(
        bundle->writeScript("marker", "echo 'setTitle __done__'\n", "echo setTitle __done__\n"));
    for (const char *event : {"keyUp", "willAppear", "willDisappear", "didReceiveSettings"}) {
        for (const char *action : {"none", "..", "../cmd/marker"}) // unsafe names find nothing
            host->sendText(QStringLiteral(R"({"event":"%1","action":"%2","context":"k1"})")
                               .arg(event, action));
    }
    QVERIFY(
        bundle->writeScript("..@keyUp", "echo 'setTitle escaped'\n", "echo setTitle escaped\n"));
    host->sendText(R"({"event":"keyUp","action":"..","context":"k1"})");
    host->press("marker", "k1");
    QTRY_COMPARE(sent(), QStringList{done});
    QCOMPARE(bundle->logLines().filter("run ").size(), 1); // the marker's, and nothing else
    QCOMPARE(bundle->logLines().filter("Could not").size(), 0);
}

void RunnerTest::percentStaysLiteralInBatchArguments()
{
#ifndef Q_OS_WIN
    QSKIP("batch files run through cmd.exe on Windows only");
#endif
    if (runningUnderWine())
        QSKIP("Wine's cmd.exe expands %%cd:~,%VAR% to the variable, where Windows leaves %VAR%: "
              "only Windows itself can check this");
    QVERIFY(bundle->writeScript("args", {}, "echo setTitle [%*]\n"));
    host->press("args", "k1", R"({"a":"%PATH% 100%"})");
    QTRY_COMPARE(sent(), QStringList{title(R"([--a "%PATH% 100%"])")});
}

void RunnerTest::changesCountAtTheNextPress_data()
{
    QTest::addColumn<QString>("before"); // what cmd/a is at first: old, b (none, but a b), mute
    QTest::addColumn<QString>("change");
    QTest::addColumn<QString>("after"); // the title of the press right after; empty for none

    QTest::newRow("added") << ""
                           << "write"
                           << "new";
    QTest::newRow("edited") << "old"
                            << "write"
                            << "new";
    QTest::newRow("renamed into place") << "b"
                                        << "rename"
                                        << "new";
    QTest::newRow("removed") << "old"
                             << "remove"
                             << "";
    QTest::newRow("made executable") << "mute"
                                     << "chmod"
                                     << "old";
    QTest::newRow("replaced by a folder") << "old"
                                          << "folder"
                                          << "";
    // Making a link's target leaves cmd/ as it was: only a look on disk finds it.
    QTest::newRow("a link whose target comes later") << "link"
                                                     << "target"
                                                     << "new";
}

void RunnerTest::changesCountAtTheNextPress()
{
    QFETCH(QString, before);
    QFETCH(QString, change);
    QFETCH(QString, after);
    SKIP_WITHOUT_SH("the scripts are for /bin/sh, cmd/'s time is set with utimes");

    const QString a = bundle->cmdDir() + "/a";
    QVERIFY(bundle->writeScript("marker", "echo 'setTitle __done__'\n"));
    if (before == "old" || before == "mute")
        QVERIFY(bundle->writeScript("a", "echo 'setTitle old'\n"));
    if (before == "mute")
        QVERIFY(QFile::setPermissions(a, QFile::ReadOwner | QFile::WriteOwner));
    if (before == "b")
        QVERIFY(bundle->writeScript("b", "echo 'setTitle new'\n"));
    if (before == "link")
        QVERIFY(QDir().mkpath(bundle->cmdDir() + "/../targets") && QFile::link("../targets/a", a));
#ifndef Q_OS_WIN
    // An hour old: the plugin trusts what it listed, and only a change of the time lists again.
    const timeval hourAgo{::time(nullptr) - 3600, 0};
    const timeval times[2] = {hourAgo, hourAgo};
    QVERIFY(::utimes(QFile::encodeName(bundle->cmdDir()).constData(), times) == 0);
#endif
    // One press at a time, each answered before the next: no answer comes late.
    host->press("a", "k1");
    if (before == "old")
        QTRY_COMPARE(sent(), QStringList{title("old")});
    host->press("marker", "k1");
    QTRY_VERIFY(sent().endsWith(done));
    host->messages.clear();
    host->messages << "registration";

    if (change == "write")
        QVERIFY(bundle->writeScript("a", "echo 'setTitle new'\n"));
    else if (change == "rename")
        QVERIFY(QFile::rename(bundle->cmdDir() + "/b", a));
    else if (change == "remove")
        QVERIFY(QFile::remove(a));
    else if (change == "chmod")
        QVERIFY(QFile::setPermissions(a, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
    else if (change == "folder")
        QVERIFY(QFile::remove(a) && QDir().mkdir(a));
    else if (change == "target")
        QVERIFY(bundle->writeScript("../targets/a", "echo 'setTitle new'\n"));
    host->press("a", "k1");
    if (!after.isEmpty())
        QTRY_COMPARE(sent(), QStringList{title(after)});
    host->press("marker", "k1");
    QTRY_VERIFY(sent().endsWith(done));
    QCOMPARE(sent(), after.isEmpty() ? QStringList{done} : QStringList({title(after), done}));
}

QTEST_GUILESS_MAIN(RunnerTest)
#include "tst_runner.moc"
