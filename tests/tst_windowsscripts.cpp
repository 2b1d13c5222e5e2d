// Windows people's scripts: a .cmd runs as a .bat does, and a .ps1 through Windows PowerShell
// from the system folder, each setting one argument whatever it holds; a plugin made with
// --link leads to them through a junction. Windows only; under Wine, which has no PowerShell,
// a stand-in takes its place and says what it was given.
#include "support/bundle.h"
#include "support/standinhost.h"

#include <QDir>
#include <QtTest>

#include <memory>

#include <qt_windows.h>

namespace {
QString title(const QString &text)
{
    QString escaped = text;
    escaped.replace("\\", "\\\\").replace("\"", "\\\"");
    return QStringLiteral(
               R"({"context":"k","event":"setTitle","payload":{"target":0,"title":"%1"}})")
        .arg(escaped);
}
} // namespace

class WindowsScriptsTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void init();
    void aCmdScriptRuns();
    void aScriptHasNoConsoleWindow();
    void powerShellGetsEachSettingAsOneArgument_data();
    void powerShellGetsEachSettingAsOneArgument();
    void aLinkedPluginLeadsThroughAJunction();

private:
    std::unique_ptr<StandInHost> host;
    std::unique_ptr<Bundle> bundle;
    std::unique_ptr<PluginProcess> plugin;
};

void WindowsScriptsTest::initTestCase()
{
    wchar_t system[MAX_PATH];
    const UINT length = GetSystemDirectoryW(system, MAX_PATH);
    QVERIFY(length > 0 && length < MAX_PATH);
    const QString folder =
        QString::fromWCharArray(system, int(length)) + "\\WindowsPowerShell\\v1.0";
    const QString powerShell = folder + "\\powershell.exe";
    if (!runningUnderWine()) {
        if (!QFileInfo::exists(powerShell))
            QSKIP("no Windows PowerShell on this Windows");
        return; // Windows' own
    }
    // Wine's prefix may hold a powershell.exe of its own that runs no script: ours replaces it.
    QFile::remove(powerShell);
    QVERIFY(QDir().mkpath(folder));
    QVERIFY(QFile::copy(QStringLiteral(KEYSCRIPT_FAKE_POWERSHELL), powerShell));
}

void WindowsScriptsTest::init()
{
    plugin.reset();
    host = std::make_unique<StandInHost>();
    bundle = std::make_unique<Bundle>();
    plugin = std::make_unique<PluginProcess>();
    QVERIFY(bundle->isValid());
    QVERIFY(bundle->writeFile("cmd/c.cmd", "@echo off\r\necho setTitle from cmd\r\n"));
    QVERIFY(
        bundle->writeFile("cmd/p.ps1", "Write-Output (\"setTitle \" + ($args -join \"|\"))\r\n"));
    bundle->start(*plugin, host->port());
    QTRY_COMPARE_WITH_TIMEOUT(host->messages.size(), 1, 30000);
}

void WindowsScriptsTest::aCmdScriptRuns()
{
    QVERIFY(host->press("c", "k"));
    QTRY_COMPARE_WITH_TIMEOUT(host->messages.mid(1), QStringList{title("from cmd")}, 20000);
}

void WindowsScriptsTest::aScriptHasNoConsoleWindow()
{
    // The plugin runs in this test's console; a script given one of its own would flash it.
    if (!GetConsoleWindow())
        QSKIP(runningUnderWine() ? "Wine gives this test's console no window, so a script's "
                                   "cannot be told apart; the Windows workflow checks it"
                                 : "this test runs without a console window");
    QVERIFY(QFile::copy(QStringLiteral(KEYSCRIPT_CONSOLE_WINDOW), bundle->cmdDir() + "/w.exe"));
    QVERIFY(host->press("w", "k"));
    QTRY_COMPARE_WITH_TIMEOUT(host->messages.mid(1), QStringList{title("no window")}, 20000);
}

void WindowsScriptsTest::powerShellGetsEachSettingAsOneArgument_data()
{
    QTest::addColumn<QByteArray>("settings");
    QTest::addColumn<QString>("shown");
    QTest::newRow("spaces") << QByteArray(R"({"a":"x y"})") << "--a|x y";
    QTest::newRow("quotes") << QByteArray(R"({"a":"say \"hi\""})") << "--a|say \"hi\"";
    QTest::newRow("dollar, ampersand, percent")
        << QByteArray(R"({"a":"$HOME & 100% %PATH%"})") << "--a|$HOME & 100% %PATH%";
    QTest::newRow("a trailing backslash, then more")
        << QByteArray(R"({"a":"C:\\dir\\","b":"-File"})") << "--a|C:\\dir\\|--b|-File";
    QTest::newRow("empty") << QByteArray(R"({"a":""})") << "--a|";
}

void WindowsScriptsTest::powerShellGetsEachSettingAsOneArgument()
{
    QFETCH(QByteArray, settings);
    QFETCH(QString, shown);
    QVERIFY(host->press("p", "k", settings));
    QTRY_COMPARE_WITH_TIMEOUT(host->messages.mid(1), QStringList{title(shown)}, 30000);
}

void WindowsScriptsTest::aLinkedPluginLeadsThroughAJunction()
{
    // Replaced by a copied one, the junction goes, never the scripts it leads to.
    QTemporaryDir temporary;
    const QString keys = temporary.filePath("keys");
    const QString script = keys + "/com.me.keys.a.cmd";
    QVERIFY(QDir().mkpath(keys));
    QFile file(script);
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write("@echo setTitle a\r\n") > 0);
    file.close();
    const QString cmd = temporary.filePath("out/com.me.keys.sdPlugin/cmd");
    const QStringList arguments{
        "plugin", "--cmd", keys, "--uuid", "com.me.keys", "--out", temporary.filePath("out")};
    QProcess linked;
    linked.start(bundle->addHost(), arguments + QStringList{"--link"});
    QVERIFY(linked.waitForFinished(60000));
    const QByteArray said = linked.readAllStandardError();
    if (runningUnderWine() && said.contains("a link to"))
        QSKIP("Wine makes no junction here; the Windows workflow checks it");
    QVERIFY2(linked.exitCode() == 0, said.constData());
    QVERIFY(QFileInfo(cmd).isJunction());
    QVERIFY(QFileInfo::exists(cmd + "/com.me.keys.a.cmd"));
    QCOMPARE(QProcess::execute(bundle->addHost(), arguments), 0);
    QVERIFY(!QFileInfo(cmd).isJunction());
    QVERIFY(QFileInfo::exists(cmd + "/com.me.keys.a.cmd"));
    QVERIFY(QFileInfo::exists(script));
}

QTEST_GUILESS_MAIN(WindowsScriptsTest)
#include "tst_windowsscripts.moc"
