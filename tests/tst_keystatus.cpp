// What a key's settings page hears from the plugin: the key's scripts and why one cannot run,
// its last runs within a fixed bound, each run as it ends while the page is open, and nothing
// while it is closed.
#include "runner/keystatus.h"
#include "runner/scriptlookup.h"
#include "support/bundle.h"
#include "support/standinhost.h"

#include <QtTest>

#ifndef Q_OS_WIN
#include <sys/stat.h>
#endif

#include <memory>

class KeyStatusTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init();
    void scriptStatus_data();
    void scriptStatus();
    void runsReachAnOpenPageOnly_data();
    void runsReachAnOpenPageOnly();
    void aRunThatCannotStartIsNoSuccess_data();
    void aRunThatCannotStartIsNoSuccess();
    void nothingDroppedWithoutAWord_data();
    void nothingDroppedWithoutAWord();
    void resultMarks_data();
    void resultMarks();
    void keptRunsAreBounded();
    void unknownRequestsAreIgnored();
    void aFloodOfRequestsIsGathered();

private:
    // Sends an event of the key's page ("propertyInspectorDidAppear", ...) for action on key k1.
    void pageEvent(const QString &event, const QString &action, const QByteArray &payload = "{}");
    // The payloads of the sendToPropertyInspector messages the plugin sent, in order.
    QList<QJsonObject> toPage() const;

    std::unique_ptr<StandInHost> host;
    std::unique_ptr<Bundle> bundle;
    std::unique_ptr<PluginProcess> plugin;
};

void KeyStatusTest::init()
{
    SKIP_WITHOUT_SH("the scripts and their permissions are sh's");
    plugin.reset();
    host = std::make_unique<StandInHost>();
    bundle = std::make_unique<Bundle>();
    plugin = std::make_unique<PluginProcess>();
    QVERIFY(bundle->isValid());
    QVERIFY(bundle->writeFile("work/log.txt", ""));
    bundle->start(*plugin, host->port());
    QTRY_COMPARE_WITH_TIMEOUT(host->messages.size(), 1, 10000);
}

void KeyStatusTest::pageEvent(const QString &event, const QString &action,
                              const QByteArray &payload)
{
    QVERIFY(host->sendText(QStringLiteral(R"({"event":"%1","action":"%2","context":"k1",)"
                                          R"("device":"dev","payload":%3})")
                               .arg(event, action, QString::fromUtf8(payload))));
}

QList<QJsonObject> KeyStatusTest::toPage() const
{
    QList<QJsonObject> payloads;
    for (const QString &message : host->messages) {
        const QJsonObject object = QJsonDocument::fromJson(message.toUtf8()).object();
        if (object.value("event") == "sendToPropertyInspector" && object.value("context") == "k1")
            payloads << object.value("payload").toObject();
    }
    return payloads;
}

void KeyStatusTest::scriptStatus_data()
{
    QTest::addColumn<QString>("file");       // in cmd/, for the action "a"
    QTest::addColumn<QByteArray>("content"); // a folder when empty
    QTest::addColumn<bool>("executable");
    QTest::addColumn<QString>("event");
    QTest::addColumn<QString>("problem"); // none when empty; no script at all when "-"
    QTest::addColumn<int>("everyMs");     // how often it runs again, when it says so

    QTest::newRow("runs") << "a" << QByteArray("#!/bin/sh\n") << true << "keyDown"
                          << "" << 0;
    QTest::newRow("not executable") << "a" << QByteArray("#!/bin/sh\n") << false << "keyDown"
                                    << "not executable: chmod +x it" << 0;
    QTest::newRow("carriage return")
        << "a@keyUp" << QByteArray("#!/bin/sh\r\necho\r\n") << true << "keyUp"
        << "its #! line ends in a carriage return: save it with Unix line ends" << 0;
    QTest::newRow("a folder") << "a@willAppear" << QByteArray() << true << "willAppear"
                              << "a folder, not a script" << 0;
    QTest::newRow("missing") << "b" << QByteArray("#!/bin/sh\n") << true << ""
                             << "-" << 0;
    // Reading its "#!" line would wait for a writer for ever, and no key would answer again.
    QTest::newRow("a FIFO") << "a" << QByteArray("fifo") << true << "keyDown"
                            << "not a regular file" << 0;
    // Only an appear script runs again; the page says how often.
    QTest::newRow("a polled appear script")
        << "a@willAppear" << QByteArray("#!/bin/sh\n# keyscript every: 10s\n") << true
        << "willAppear"
        << "" << 10000;
    QTest::newRow("every on a press script")
        << "a" << QByteArray("#!/bin/sh\n# keyscript every: 10s\n") << true << "keyDown"
        << "" << 0;
}

void KeyStatusTest::scriptStatus()
{
    QFETCH(QString, file);
    QFETCH(QByteArray, content);
    QFETCH(bool, executable);
    QFETCH(QString, event);
    QFETCH(QString, problem);
    QFETCH(int, everyMs);
    const QString path = bundle->cmdDir() + '/' + file;
    if (content.isEmpty()) {
        QVERIFY(QDir().mkpath(path));
    } else if (content == "fifo") {
#ifdef Q_OS_WIN
        QSKIP("Windows has no FIFO among files");
#else
        QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0700), 0);
#endif
    } else {
        QVERIFY(bundle->writeFile("cmd/" + file, content));
        QVERIFY(QFile::setPermissions(path, executable ? QFile::ReadOwner | QFile::ExeOwner
                                                       : QFile::ReadOwner));
    }
    pageEvent("propertyInspectorDidAppear", "a");
    QTRY_COMPARE(toPage().size(), 1);
    const QJsonObject status = toPage().first();
    QCOMPARE(status.value("keyscript").toString(), "status");
    // Named as a person would write it here: a.bat on Windows.
    QCOMPARE(status.value("pressScript").toString(),
             QDir::toNativeSeparators(bundle->binDir() + "/../cmd/a" + newScriptSuffix()));
    QCOMPARE(status.value("log").toObject().value("on").toBool(), true);
    const QJsonArray scripts = status.value("scripts").toArray();
    if (problem == "-") {
        QCOMPARE(scripts.size(), 0);
        return;
    }
    QCOMPARE(scripts.size(), 1);
    QCOMPARE(scripts.at(0).toObject().value("event").toString(), event);
    QCOMPARE(scripts.at(0).toObject().value("problem").toString(), problem);
    QCOMPARE(scripts.at(0).toObject().value("everyMs").toInt(), everyMs);
}

void KeyStatusTest::runsReachAnOpenPageOnly_data()
{
    QTest::addColumn<QStringList>("pageEvents"); // before the press
    QTest::addColumn<int>("statuses");           // what they are answered with
    QTest::addColumn<bool>("told");              // of the run
    QTest::newRow("open") << QStringList{"propertyInspectorDidAppear"} << 1 << true;
    QTest::newRow("asked by the page") << QStringList{"sendToPlugin"} << 1 << true;
    QTest::newRow("closed again") << QStringList{"propertyInspectorDidAppear",
                                                 "propertyInspectorDidDisappear"}
                                  << 1 << false;
    QTest::newRow("never opened") << QStringList{} << 0 << false;
}

void KeyStatusTest::runsReachAnOpenPageOnly()
{
    QFETCH(QStringList, pageEvents);
    QFETCH(int, statuses);
    QFETCH(bool, told);
    QVERIFY(bundle->writeScript("fails", "echo 'setTitle trying'\necho 'not a command'\n"
                                         "echo 'boom <img src=x>' >&2\nexit 3\n"));
    for (const QString &event : pageEvents)
        pageEvent(event, "fails", R"({"keyscript":"status"})");
    QTRY_COMPARE(toPage().size(), statuses);
    const int before = toPage().size();
    QVERIFY(host->press("fails", "k1"));
    QTRY_VERIFY(bundle->logLines().contains("exit 3"));
    if (!told) {
        QTest::qWait(100); // a message sent with the log line would be here by now
        QCOMPARE(toPage().size(), before);
        return;
    }
    QTRY_COMPARE(toPage().size(), before + 1);
    const QJsonObject run = toPage().last().value("run").toObject();
    QCOMPARE(toPage().last().value("keyscript").toString(), "run");
    QCOMPARE(run.value("event").toString(), "keyDown");
    QCOMPARE(run.value("ending").toString(), "exit 3");
    QCOMPARE(run.value("failed").toBool(), true);
    QCOMPARE(run.value("stderr").toString(), "boom <img src=x>\n");
    QCOMPARE(run.value("ignored").toArray(), QJsonArray{"not a command"});
    QVERIFY(QDateTime::fromString(run.value("started").toString(), Qt::ISODateWithMs).isValid());
}

void KeyStatusTest::aRunThatCannotStartIsNoSuccess_data()
{
    QTest::addColumn<QByteArray>("script");
    QTest::addColumn<bool>("executable");
    QTest::addColumn<QByteArray>("settings");
    QTest::addColumn<QString>("ending"); // how it begins
    QTest::addColumn<QStringList>("leftOut");

    QTest::newRow("no such interpreter")
        << QByteArray("#!/nonexistent/sh\n") << true << QByteArray("{}")
        << "could not start: " << QStringList();
    QTest::newRow("not executable") << QByteArray("#!/bin/sh\n") << false << QByteArray("{}")
                                    << "could not start: " << QStringList();
    QTest::newRow("a carriage return on #!")
        << QByteArray("#!/bin/sh\r\necho\r\n") << true << QByteArray("{}")
        << "could not start: " << QStringList();
    // One setting too long for a command line: the script starts without it.
    QTest::newRow("a setting too large to pass")
        << QByteArray("#!/bin/sh\nexit 0\n") << true
        << QByteArray(R"({"big":")" + QByteArray(200000, 'x') + R"(","s":"v"})") << "exit 0"
        << QStringList{"big"};
}

void KeyStatusTest::aRunThatCannotStartIsNoSuccess()
{
    QFETCH(QByteArray, script);
    QFETCH(bool, executable);
    QFETCH(QByteArray, settings);
    QFETCH(QString, ending);
    QFETCH(QStringList, leftOut);
    QVERIFY(bundle->writeFile("cmd/a", script));
    QVERIFY(QFile::setPermissions(bundle->cmdDir() + "/a", executable
                                                               ? QFile::ReadOwner | QFile::ExeOwner
                                                               : QFile::ReadOwner));
    pageEvent("propertyInspectorDidAppear", "a");
    QTRY_COMPARE(toPage().size(), 1);
    QVERIFY(host->press("a", "k1", settings));
    QTRY_COMPARE_WITH_TIMEOUT(toPage().size(), 2, 10000);
    const QJsonObject run = toPage().last().value("run").toObject();
    QVERIFY2(run.value("ending").toString().startsWith(ending),
             qPrintable(run.value("ending").toString()));
    QCOMPARE(run.value("failed").toBool(), leftOut.isEmpty());
    QCOMPARE(run.value("leftOut").toVariant().toStringList(), leftOut);
    if (!leftOut.isEmpty())
        QTRY_VERIFY(!bundle->logLines().filter("Settings left out").isEmpty());
}

void KeyStatusTest::nothingDroppedWithoutAWord_data()
{
    QTest::addColumn<QByteArray>("script");   // cmd/a, which prints its shared token
    QTest::addColumn<QStringList>("shared");  // didReceiveGlobalSettings' settings, in order
    QTest::addColumn<QString>("token");       // what it is told
    QTest::addColumn<QStringList>("leftOut"); // in its run, on the page
    QTest::addColumn<QString>("said");        // in the log
    QTest::addColumn<QString>("headerError"); // in the key's status, on the page

    const QByteArray tells = "#!/bin/sh\necho \"setTitle ${KEYSCRIPT_GLOBAL_SETTINGS:-none}\" "
                             "| cut -c1-30\n";
    QTest::newRow("shared settings too large to pass")
        << tells << QStringList{R"({"t":")" + QString(140 * 1024, 'x') + R"("})"} << "none"
        << QStringList{"KEYSCRIPT_GLOBAL_SETTINGS"} << "Settings left out"
        << "";
    QTest::newRow("shared settings that are no object change nothing")
        << tells << QStringList{R"({"t":"1"})", R"("x")"} << R"({"t":"1"})" << QStringList()
        << "didReceiveGlobalSettings ignored"
        << "";
    QTest::newRow("a header value the plugin cannot use")
        << QByteArray(tells + "# keyscript every: 0\n# keyscript on-failure: ALERT\n")
        << QStringList() << "{}" << QStringList() << "Header of"
        << "line 3: \"keyscript every:\" is a time such as 5s, 500ms or 1m, at least 250ms, "
           "not \"0\"";
}

void KeyStatusTest::nothingDroppedWithoutAWord()
{
    QFETCH(QByteArray, script);
    QFETCH(QStringList, shared);
    QFETCH(QString, token);
    QFETCH(QStringList, leftOut);
    QFETCH(QString, said);
    QFETCH(QString, headerError);
    QVERIFY(bundle->writeFile("cmd/a", script));
    QVERIFY(QFile::setPermissions(bundle->cmdDir() + "/a", QFile::ReadOwner | QFile::ExeOwner));
    for (const QString &settings : shared)
        QVERIFY(host->sendText(R"({"event":"didReceiveGlobalSettings","payload":{"settings":)" +
                               settings + "}}"));
    pageEvent("propertyInspectorDidAppear", "a");
    QTRY_COMPARE(toPage().size(), 1);
    const QJsonArray scripts = toPage().first().value("scripts").toArray();
    QCOMPARE(scripts.size(), 1);
    QCOMPARE(scripts.at(0).toObject().value("headerErrors").toArray().first().toString(),
             headerError);
    QVERIFY(host->press("a", "k1"));
    QTRY_COMPARE_WITH_TIMEOUT(toPage().size(), 2, 10000);
    QCOMPARE(toPage().last().value("run").toObject().value("leftOut").toVariant().toStringList(),
             leftOut);
    QTRY_COMPARE(host->messages.filter("setTitle").size(), 1);
    const QJsonObject title =
        QJsonDocument::fromJson(host->messages.filter("setTitle").first().toUtf8()).object();
    QCOMPARE(title.value("payload").toObject().value("title").toString(), token);
    QVERIFY2(!bundle->logLines().filter(said).isEmpty(), qPrintable(bundle->logLines().join('\n')));
}

void KeyStatusTest::resultMarks_data()
{
    QTest::addColumn<QByteArray>("script");
    QTest::addColumn<QStringList>("shown"); // the events sent for the key after the run

    const QByteArray alert = "#!/bin/sh\n# keyscript on-failure: alert\n";
    const QByteArray ok = "#!/bin/sh\n// keyscript on-success: ok\n";
    QTest::newRow("the alert after a failure")
        << QByteArray(alert + "exit 2\n") << QStringList{"showAlert"};
    QTest::newRow("and when it cannot start")
        << QByteArray("#!/nonexistent/sh\n# keyscript on-failure: alert\n")
        << QStringList{"showAlert"};
    QTest::newRow("nothing after a success") << QByteArray(alert + "exit 0\n") << QStringList();
    QTest::newRow("the check mark after exit 0")
        << QByteArray(ok + "exit 0\n") << QStringList{"showOk"};
    QTest::newRow("nothing after a failure") << QByteArray(ok + "exit 1\n") << QStringList();
    QTest::newRow("nothing without a header") << QByteArray("#!/bin/sh\nexit 3\n") << QStringList();
}

void KeyStatusTest::resultMarks()
{
    QFETCH(QByteArray, script);
    QFETCH(QStringList, shown);
    QVERIFY(bundle->writeFile("cmd/a", script));
    QVERIFY(QFile::setPermissions(bundle->cmdDir() + "/a", QFile::ReadOwner | QFile::ExeOwner));
    QVERIFY(host->press("a", "k1"));
    QTRY_VERIFY(bundle->logLines().contains("state QProcess::NotRunning"));
    QTest::qWait(100); // a mark sent with the end would be here by now
    QStringList seen;
    for (const QString &message : host->messages.mid(1))
        seen << QJsonDocument::fromJson(message.toUtf8()).object().value("event").toString();
    QCOMPARE(seen, shown);
    for (const QString &message : host->messages.mid(1))
        QVERIFY(message.contains(R"("context":"k1")"));
}

void KeyStatusTest::keptRunsAreBounded()
{
    KeyStatus status;
    status.pageOpened("open");
    ScriptRun run;
    run.errors = QString(5000, 'e');
    QVERIFY(status.record("open", run));
    for (int key = 0; key < KeyStatus::keysKept + 50; ++key) {
        for (int n = 0; n <= KeyStatus::runsKept; ++n) {
            run.ms = n;
            QVERIFY(!status.record(QString::number(key), run));
        }
    }
    // The keys heard from longest ago went, but not the one whose page is open.
    QCOMPARE(status.runs("0").size(), 0);
    QCOMPARE(status.runs("open").size(), 1);
    QCOMPARE(status.runs("open").first().errors.size(), KeyStatus::errorsKept);
    const QList<ScriptRun> last = status.runs(QString::number(KeyStatus::keysKept + 49));
    QCOMPARE(last.size(), KeyStatus::runsKept);
    QCOMPARE(last.first().ms, qint64(KeyStatus::runsKept)); // newest first
}

void KeyStatusTest::unknownRequestsAreIgnored()
{
    for (int i = 0; i < 3; ++i)
        pageEvent("sendToPlugin", "a", R"({"foo":[1,2]})");
    pageEvent("sendToPlugin", "a", R"({"keyscript":"status"})");
    QTRY_COMPARE(toPage().size(), 1); // only the status asked for
    QCOMPARE(bundle->logLines().filter("sendToPlugin not understood").size(), 1);
}

void KeyStatusTest::aFloodOfRequestsIsGathered()
{
    // A page that asks without end: one answer per key and turn of the plugin's event loop,
    // so another key's press is not held up behind thousands.
    QVERIFY(bundle->writeScript("a", "echo 'setTitle pressed'\n"));
    for (int i = 0; i < 3000; ++i)
        pageEvent("sendToPlugin", "a", R"({"keyscript":"status"})");
    QVERIFY(host->press("a", "k2"));
    QTRY_VERIFY_WITH_TIMEOUT(host->messages.filter(R"("title":"pressed")").size() == 1, 10000);
    QSignalSpy pong(host.get(), &StandInHost::pong);
    QVERIFY(host->ping());
    QVERIFY(pong.wait());
    const qsizetype answers = toPage().size();
    QVERIFY2(answers >= 1 && answers < 300, qPrintable(QString::number(answers)));
}

QTEST_GUILESS_MAIN(KeyStatusTest)
#include "tst_keystatus.moc"
