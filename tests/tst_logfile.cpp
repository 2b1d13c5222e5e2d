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

QTEST_GUILESS_MAIN(LogFileTest)
#include "tst_logfile.moc"
