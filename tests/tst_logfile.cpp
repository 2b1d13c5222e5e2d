// The log file, written by the real executable in its working directory.
#include "support/bundle.h"
#include "support/standinhost.h"

#include <QtTest>

class LogFileTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init();
    void noFileNoLog();
    void existingFileIsReplaced();
    void nonAsciiIsUtf8();
    void fileCreatedWhileRunningReceivesWhatFollows();
    void failuresSayWhy_data();
    void failuresSayWhy();
    void chosenScriptFolderIsSaid_data();
    void chosenScriptFolderIsSaid();

private:
    // Starts the plugin and waits for its registration.
    bool startPlugin();
    // A press whose answer tells that every earlier press has been handled.
    bool pressAndWaitForEcho();

    std::unique_ptr<StandInHost> host;
    std::unique_ptr<Bundle> bundle;
    std::unique_ptr<PluginProcess> plugin;
};

void LogFileTest::init()
{
    plugin.reset();
    host = std::make_unique<StandInHost>();
    bundle = std::make_unique<Bundle>();
    plugin = std::make_unique<PluginProcess>();
    QVERIFY(bundle->isValid());
    // chcp: cmd.exe writes what it echoes in the console's code page, and the plugin reads UTF-8.
    QVERIFY(bundle->writeScript("echo", "echo \"setTitle $ZEB_text\"\n",
                                "chcp 65001 >nul\necho setTitle %ZEB_text%\n"));
}

bool LogFileTest::startPlugin()
{
    bundle->start(*plugin, host->port());
    return QTest::qWaitFor([this] { return host->messages.size() == 1; }, 10000);
}

bool LogFileTest::pressAndWaitForEcho()
{
    const qsizetype before = host->messages.size();
    host->press("echo", "k", R"({"text":"done"})");
    return QTest::qWaitFor([&] { return host->messages.size() == before + 1; }) &&
           host->messages.last().contains("done");
}

void LogFileTest::noFileNoLog()
{
    QVERIFY(startPlugin());
    host->press("no.such.action");
    QVERIFY(pressAndWaitForEcho());
    QVERIFY(!QFile::exists(bundle->workDir() + "/log.txt"));
    QVERIFY(!QFile::exists(bundle->binDir() + "/log.txt"));
}

void LogFileTest::existingFileIsReplaced()
{
    QVERIFY(bundle->writeFile("work/log.txt", "an older run\nits second line\n"));
    QVERIFY(bundle->writeFile("bin/log.txt", "beside the executable\n"));
    QVERIFY(startPlugin());
    host->press("no.such.action");

    const QString expected =
        QStringLiteral("Could not found \"%1/../cmd/no.such.action\"").arg(bundle->binDir());
    QTRY_COMPARE(bundle->logLines(), QStringList{expected});
    QCOMPARE(bundle->readFile("work/log.txt"), expected.toUtf8() + '\n');
    QCOMPARE(bundle->readFile("bin/log.txt"), QByteArray("beside the executable\n"));
}

void LogFileTest::nonAsciiIsUtf8()
{
    QVERIFY(bundle->writeFile("work/log.txt", ""));
    QVERIFY(startPlugin());
    host->press("echo", "k", R"({"text":"Grüße ✓"})");
    QTRY_VERIFY(bundle->readFile("work/log.txt").contains("read \"setTitle Grüße ✓\"\n"));
}

void LogFileTest::fileCreatedWhileRunningReceivesWhatFollows()
{
    QVERIFY(startPlugin());
    host->press("lost.action");
    QVERIFY(pressAndWaitForEcho());

    QVERIFY(bundle->writeFile("work/log.txt", ""));
    host->press("kept.action");
    // The echo script's answer may come before the log line of its end, which may land here.
    QTRY_VERIFY(bundle->logLines().contains(
        QStringLiteral("Could not found \"%1/../cmd/kept.action\"").arg(bundle->binDir())));
    QVERIFY(!bundle->readFile("work/log.txt").contains("lost.action"));
}

void LogFileTest::failuresSayWhy_data()
{
    QTest::addColumn<QString>("file");       // in cmd/
    QTest::addColumn<QByteArray>("content"); // written as it stands, executable
    QTest::addColumn<QStringList>("events"); // of the action "a" on one key
    QTest::addColumn<QStringList>("lines");  // in the log, in this order

    // Its last 4 KiB, as a syntax error or a failed command would leave it.
    QTest::newRow("standard error follows the exit code")
        << "a" << QByteArray("#!/bin/sh\necho 'not found: x' >&2\nexit 2\n")
        << QStringList{"keyDown"} << QStringList{"exit 2", "stderr \"not found: x\\n\""};
    QTest::newRow("a script the plugin ended")
        << "a@willAppear" << QByteArray("#!/bin/sh\nexec sleep 30\n")
        << QStringList{"willAppear", "willDisappear"} << QStringList{"ended"};
    QTest::newRow("a live script that ends at the end of its input")
        << "a@willAppear" << QByteArray("#!/bin/sh\nwhile read -r line; do :; done\n")
        << QStringList{"willAppear", "willDisappear"} << QStringList{"exit 0"};
    QTest::newRow("lines that are no command")
        << "a" << QByteArray("#!/bin/sh\necho 'settitle x'\nprintf 'setTitle\\tx\\n'\n")
        << QStringList{"keyDown"}
        << QStringList{"ignored \"settitle x\"", "ignored \"setTitle\\tx\""};
    QTest::newRow("saved with Windows line ends")
        << "a" << QByteArray("#!/bin/sh\r\necho 'setTitle x'\r\n") << QStringList{"keyDown"}
        << QStringList{"Could not run \"%1/../cmd/a\" its first line ends in a carriage return: "
                       "save it with Unix line ends"};
    QTest::newRow("a file name with a line break")
        << "a@keyup\nexit 0" << QByteArray("#!/bin/sh\n") << QStringList{"keyDown"}
        << QStringList{"Unknown event in \"%1/../cmd/a@keyup\\nexit 0\": event scripts end in "
                       "@keyUp, @willAppear, @willDisappear, @didReceiveSettings, @dialRotate, "
                       "@dialDown, @dialUp, @touchTap, @didReceiveDeepLink, @applicationDidLaunch, "
                       "@applicationDidTerminate"};
    QTest::newRow("an event in the wrong letter case")
        << "a@willappear" << QByteArray("#!/bin/sh\n") << QStringList{"willAppear"}
        << QStringList{"Unknown event in \"%1/../cmd/a@willappear\": event scripts end in @keyUp, "
                       "@willAppear, @willDisappear, @didReceiveSettings, @dialRotate, @dialDown, "
                       "@dialUp, @touchTap, @didReceiveDeepLink, @applicationDidLaunch, "
                       "@applicationDidTerminate"};
}

void LogFileTest::failuresSayWhy()
{
    QFETCH(QString, file);
    QFETCH(QByteArray, content);
    QFETCH(QStringList, events);
    QFETCH(QStringList, lines);
    SKIP_WITHOUT_SH("the scripts are for /bin/sh");

    QVERIFY(bundle->writeFile("cmd/" + file, content));
    QVERIFY(QFile::setPermissions(bundle->cmdDir() + "/" + file,
                                  QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
    QVERIFY(bundle->writeFile("work/log.txt", ""));
    QVERIFY(startPlugin());
    for (const QString &event : events)
        host->sendText(QStringLiteral(R"({"event":"%1","action":"a","context":"k",)"
                                      R"("device":"d","payload":{}})")
                           .arg(event));
    QStringList expected;
    for (const QString &line : lines)
        expected << (line.contains("%1") ? line.arg(bundle->binDir()) : line);
    QTRY_VERIFY2(bundle->logLines()
                         .filter(QRegularExpression("^(exit|ended|stderr|ignored|Could "
                                                    "not run|Unknown)"))
                         .mid(0, expected.size()) == expected,
                 qPrintable(bundle->logLines().join('\n')));
}

void LogFileTest::chosenScriptFolderIsSaid_data()
{
    QTest::addColumn<QString>("folder"); // in the bundle
    QTest::addColumn<QStringList>("lines");
    QTest::newRow("there") << "cmd"
                           << QStringList{"Scripts are taken from \"%1/cmd\" (KEYSCRIPT_CMD_DIR)"};
    QTest::newRow("missing") << "no-such-folder"
                             << QStringList{"Scripts are taken from \"%1/no-such-folder\" "
                                            "(KEYSCRIPT_CMD_DIR)",
                                            "The scripts' folder \"%1/no-such-folder\" does not "
                                            "exist: no key has a script"};
}

void LogFileTest::chosenScriptFolderIsSaid()
{
    QFETCH(QString, folder);
    QFETCH(QStringList, lines);
    // Set where the host was started, say: the log is the one place that tells.
    const QString root = QFileInfo(bundle->cmdDir()).absolutePath();
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("KEYSCRIPT_CMD_DIR", root + '/' + folder);
    plugin->setProcessEnvironment(environment);
    QVERIFY(bundle->writeFile("work/log.txt", ""));
    QVERIFY(startPlugin());
    QCOMPARE(bundle->logLines().mid(0, lines.size()), lines.replaceInStrings("%1", root));
}

QTEST_GUILESS_MAIN(LogFileTest)
#include "tst_logfile.moc"
