// A plugin that is killed outright takes its scripts with it: every script is in the plugin's
// job, which Windows closes, and so ends, when the plugin dies. Windows only.
#include "support/bundle.h"
#include "support/standinhost.h"

#include <QScopeGuard>
#include <QtTest>

#include <memory>

#include <qt_windows.h>
#include <tlhelp32.h>

namespace {
// The cmd.exe processes that a process started, by their process IDs.
QList<DWORD> commandInterpretersOf(DWORD parent)
{
    QList<DWORD> found;
    const HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE)
        return found;
    PROCESSENTRY32W entry = {};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32FirstW(snapshot, &entry); more;
         more = Process32NextW(snapshot, &entry)) {
        if (entry.th32ParentProcessID == parent &&
            QString::fromWCharArray(entry.szExeFile).compare("cmd.exe", Qt::CaseInsensitive) == 0)
            found << entry.th32ProcessID;
    }
    CloseHandle(snapshot);
    return found;
}
} // namespace

class JobObjectTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void killedPluginLeavesNoScript();
};

void JobObjectTest::killedPluginLeavesNoScript()
{
    StandInHost host;
    Bundle bundle;
    PluginProcess plugin;
    QVERIFY(bundle.isValid());
    // The scripts loop without starting programs of their own: what the job must end is the
    // script itself, not a process it happens to be starting at that moment.
    QVERIFY(
        bundle.writeScript("stay", {}, "echo setTitle started\n:loop\nset /a n+=1\ngoto loop\n"));
    bundle.start(plugin, host.port());
    QTRY_COMPARE_WITH_TIMEOUT(host.messages.size(), 1, 30000);
    host.press("stay", "k1");
    host.press("stay", "k2");
    QTRY_COMPARE_WITH_TIMEOUT(host.messages.size(), 3, 20000);
    const DWORD pid = DWORD(plugin.processId());
    QCOMPARE(commandInterpretersOf(pid).size(), 2);

    // Should the job fail, the scripts are ended here, so that the failure is reported rather
    // than left running.
    const auto endLeftovers = qScopeGuard([pid] {
        for (const DWORD script : commandInterpretersOf(pid)) {
            if (const HANDLE process = OpenProcess(PROCESS_TERMINATE, FALSE, script)) {
                TerminateProcess(process, 1);
                CloseHandle(process);
            }
        }
    });
    plugin.kill();
    QVERIFY(plugin.waitForFinished(10000));
    QTRY_VERIFY_WITH_TIMEOUT(commandInterpretersOf(pid).isEmpty(), 10000);
}

QTEST_GUILESS_MAIN(JobObjectTest)
#include "tst_jobobject.moc"
