// The plugin object in this process: what becomes of script processes, also when the plugin
// itself goes away while scripts still run. Scripts go in the cmd/ beside this test's folder.
#include "app/launcharguments.h"
#include "app/plugin.h"
#include "support/standinhost.h"

#include <QProcess>
#include <QUuid>
#include <QtTest>

#include <memory>

namespace {
QStringList logged;
void collect(QtMsgType, const QMessageLogContext &, const QString &message)
{
    logged.append(message);
}
} // namespace

class PluginLifetimeTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();
    void unstartableScriptLeavesNoProcess_data();
    void unstartableScriptLeavesNoProcess();
    void teardownWithRunningScripts();

private:
    // Writes cmd/<unique name><suffix> and returns the action that names it.
    QString writeScript(const QByteArray &content, bool executable, const QString &suffix = {});
    std::unique_ptr<Plugin> startPlugin(StandInHost &host);

    QDir cmd;
    QStringList written;
};

void PluginLifetimeTest::initTestCase()
{
    cmd.setPath(QCoreApplication::applicationDirPath() + "/../cmd");
    QVERIFY(cmd.mkpath("."));
    qInstallMessageHandler(collect);
}

void PluginLifetimeTest::cleanupTestCase()
{
    qInstallMessageHandler(nullptr);
    for (const QString &name : written)
        cmd.remove(name);
}

QString PluginLifetimeTest::writeScript(const QByteArray &content, bool executable,
                                        const QString &suffix)
{
    const QString action = "test.lifetime." + QUuid::createUuid().toString(QUuid::WithoutBraces);
    QFile file(cmd.filePath(action + suffix));
    if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size())
        return QString();
    if (executable)
        file.setPermissions(file.permissions() | QFile::ExeOwner);
    written << action + suffix;
    return action;
}

std::unique_ptr<Plugin> PluginLifetimeTest::startPlugin(StandInHost &host)
{
    auto plugin = std::make_unique<Plugin>();
    if (!plugin->init(LaunchArguments{host.port(), "plugin-1", "registerPlugin", "{}"}) ||
        !QTest::qWaitFor([&] { return host.messages.size() == 1; }))
        return nullptr;
    return plugin;
}

void PluginLifetimeTest::unstartableScriptLeavesNoProcess_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<bool>("executable");
#ifdef Q_OS_WIN
    QTest::addColumn<QString>("suffix");
    QTest::newRow("no program at all") << QByteArray("MZ garbage") << true << ".exe";
    QTest::newRow("a file Windows cannot run") << QByteArray("echo setTitle x") << true << "";
    return;
#endif

    QTest::newRow("not executable") << QByteArray("#!/bin/sh\necho 'setTitle x'\n") << false;
    QTest::newRow("no program at all") << QByteArray("\x7f"
                                                     "ELF garbage")
                                       << true;
    QTest::newRow("a missing interpreter") << QByteArray("#!/no/such/shell\n") << true;
}

void PluginLifetimeTest::unstartableScriptLeavesNoProcess()
{
    QFETCH(QByteArray, content);
    QFETCH(bool, executable);
#ifdef Q_OS_WIN
    QFETCH(QString, suffix);
#else
    const QString suffix;
#endif

    StandInHost host;
    const std::unique_ptr<Plugin> plugin = startPlugin(host);
    QVERIFY(plugin);
    const QString action = writeScript(content, executable, suffix);
    QVERIFY(!action.isEmpty());

    logged.clear();
    host.press(action);
    QTRY_VERIFY(logged.contains("state QProcess::NotRunning"));
    QVERIFY(logged.first().startsWith("run "));
    // One line says why, in the words of the operating system.
    const QStringList errors = logged.filter(QRegularExpression("^error \".+\"$"));
    QVERIFY2(errors.size() == 1, qPrintable(logged.join('\n')));
    QTRY_COMPARE(plugin->findChildren<QProcess *>().size(), 0);
    QCOMPARE(host.messages.size(), 1);

    host.press("test.lifetime.missing"); // no script: no process object either
    QTest::qWait(100);
    QCOMPARE(plugin->findChildren<QProcess *>().size(), 0);
}

void PluginLifetimeTest::teardownWithRunningScripts()
{
    // Scripts that never stop printing: when the plugin goes, killing them flushes output that
    // must not reach the host connection, which is already gone by then.
    StandInHost host;
    std::unique_ptr<Plugin> plugin = startPlugin(host);
    QVERIFY(plugin);
#ifdef Q_OS_WIN
    const QString suffix = ".bat";
    const QString action =
        writeScript("@echo off\r\n:loop\r\necho setTitle x\r\ngoto loop\r\n", true, suffix);
#else
    const QString suffix;
    const QString action = writeScript("#!/bin/sh\nexec yes 'setTitle x'\n", true);
#endif
    host.press(action, "k1");
    host.press(action, "k2");
    // And an appear script, which lives as long as its key is visible.
    QVERIFY(
        QFile::copy(cmd.filePath(action + suffix), cmd.filePath(action + "@willAppear" + suffix)));
    written << action + "@willAppear" + suffix;
    host.sendEvent("willAppear", action, "k3");
    QTRY_VERIFY(host.messages.size() > 100);
    QTRY_COMPARE(plugin->findChildren<QProcess *>().size(), 3);

    plugin.reset();
    QTRY_VERIFY(host.clientClosed);
    QCOMPARE(host.closeCode, QWebSocketProtocol::CloseCodeNormal);
    QCOMPARE(host.closeReason, QString("Normal exit"));
}

QTEST_GUILESS_MAIN(PluginLifetimeTest)
#include "tst_pluginlifetime.moc"
