// Run and Watch keys, whose script is typed on the key: what the script is told and what its
// output does to the key, the interpreters that run it, and that a script which came with the
// key's settings runs only once this computer's user has allowed it.
#include "host/eventtext.h"
#include "runner/commandinterpreter.h"
#include "runner/trustedscripts.h"
#include "runner/typedscript.h"
#include "support/bundle.h"
#include "support/standinhost.h"

#include <QtTest>

#include <memory>

class TypedScriptsTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();
    void outcome_data();
    void outcome();
    void interpreters_data();
    void interpreters();
    void approval_data();
    void approval();
    void trustFileIsKeptWhole();
    void scriptFilesAreWrittenOnceAndRemoved();

private:
    void start();
    // Sends event ("keyDown", "willAppear", "dialRotate", ...) of action on key k1.
    void send(const QString &event, const QString &action, const QJsonObject &settings);
    void allow(const QString &interpreter, const QString &script);
    // What the plugin sent for key k1, each as "command" or "command:value".
    QStringList commands() const;
    QList<QJsonObject> toPage() const;

    std::unique_ptr<QTemporaryDir> config;
    std::unique_ptr<QTemporaryDir> temp; // the plugin's temporary folder
    std::unique_ptr<StandInHost> host;
    std::unique_ptr<Bundle> bundle;
    std::unique_ptr<PluginProcess> plugin;
};

void TypedScriptsTest::init()
{
    config = std::make_unique<QTemporaryDir>();
    temp = std::make_unique<QTemporaryDir>();
    qputenv("KEYSCRIPT_CONFIG_DIR", config->path().toUtf8());
    host = std::make_unique<StandInHost>();
    bundle = std::make_unique<Bundle>();
    QVERIFY(bundle->isValid());
    QVERIFY(bundle->writeFile("work/log.txt", ""));
}

void TypedScriptsTest::cleanup()
{
    plugin.reset();
}

void TypedScriptsTest::start()
{
    plugin = std::make_unique<PluginProcess>();
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("TMPDIR"), temp->path());
    environment.insert(QStringLiteral("TMP"), temp->path());
    environment.insert(QStringLiteral("TEMP"), temp->path());
    plugin->setProcessEnvironment(environment);
    bundle->start(*plugin, host->port());
    QTRY_COMPARE_WITH_TIMEOUT(host->messages.size(), 1, 10000);
}

void TypedScriptsTest::send(const QString &event, const QString &action,
                            const QJsonObject &settings)
{
    if (event == QLatin1String("keyDown") || event == QLatin1String("willAppear")) {
        QVERIFY(host->sendText(
            actionEvent(event, action, QStringLiteral("k1"), QStringLiteral("dev"), settings)));
        return;
    }
    const QJsonObject message{
        {"event", event},
        {"action", action},
        {"context", "k1"},
        {"device", "dev"},
        {"payload", QJsonObject{{"settings", settings},
                                {"controller", "Encoder"},
                                {"coordinates", QJsonObject{{"column", 0}, {"row", 0}}},
                                {"ticks", 2},
                                {"pressed", false}}}};
    QVERIFY(
        host->sendText(QString::fromUtf8(QJsonDocument(message).toJson(QJsonDocument::Compact))));
}

void TypedScriptsTest::allow(const QString &interpreter, const QString &script)
{
    QVERIFY(TrustedScripts(config->path()).trust(TypedScript::fingerprint(interpreter, script)));
}

QStringList TypedScriptsTest::commands() const
{
    QStringList seen;
    for (const QString &text : host->messages) {
        const QJsonObject message = QJsonDocument::fromJson(text.toUtf8()).object();
        const QString event = message.value("event").toString();
        const QJsonObject payload = message.value("payload").toObject();
        if (message.value("context") != "k1" || event == "sendToPropertyInspector")
            continue;
        if (event == "setTitle")
            seen << "setTitle:" + payload.value("title").toString();
        else if (event == "setState")
            seen << "setState:" + QString::number(payload.value("state").toInt());
        else if (event == "setFeedback")
            seen << "setFeedback:" + payload.value("value").toString();
        else
            seen << event;
    }
    return seen;
}

QList<QJsonObject> TypedScriptsTest::toPage() const
{
    QList<QJsonObject> payloads;
    for (const QString &text : host->messages) {
        const QJsonObject message = QJsonDocument::fromJson(text.toUtf8()).object();
        if (message.value("event") == "sendToPropertyInspector")
            payloads << message.value("payload").toObject();
    }
    return payloads;
}

void TypedScriptsTest::outcome_data()
{
    QTest::addColumn<QString>("action"); // run or watch
    QTest::addColumn<QString>("event");
    QTest::addColumn<QByteArray>("settings"); // {folder} stands for an existing folder
    QTest::addColumn<QStringList>("expected");

    // One write: both lines are read at once, and only the last is shown.
    const QByteArray plain = R"({"script":"printf 'one\\ntwo\\n'"})";
    QTest::newRow("the last line that is no command is the title")
        << "run"
        << "keyDown" << plain << QStringList{"setTitle:two"};
    QTest::newRow("command lines act; a title the script set stays")
        << "run"
        << "keyDown"
        << QByteArray(R"({"script":"echo setState 1\necho setTitle mine\necho plain"})")
        << QStringList{"setState:1", "setTitle:mine"};
    QTest::newRow("a template of output, exit code and a setting; a failure alerts")
        << "run"
        << "keyDown"
        << QByteArray(R"({"script":"echo out; exit 3","title":"{output}\\n{exit} {city} {x}",)"
                      R"("city":"Oslo"})")
        << QStringList{"setTitle:out\n3 Oslo {x}", "showAlert"};
    QTest::newRow("an empty template leaves the title; the check mark when asked")
        << "run"
        << "keyDown" << QByteArray(R"({"script":"echo x","title":"","onSuccess":"ok"})")
        << QStringList{"showOk"};
    QTest::newRow("no alert when onFailure is none")
        << "run"
        << "keyDown" << QByteArray(R"({"script":"exit 4","title":"{exit}","onFailure":"none"})")
        << QStringList{"setTitle:4"};
    QTest::newRow("the other settings reach it, its own text does not")
        << "run"
        << "keyDown"
        << QByteArray(R"({"script":"printf '%s ' \"$#\" \"$@\" \"${ZEB_script:-none}\"; )"
                      R"(case $KEYSCRIPT_SETTINGS in *script*) echo told;; *) echo -;; esac",)"
                      R"("city":"Oslo"})")
        << QStringList{"setTitle:2 --city Oslo none -"};
    QTest::newRow("it runs in its folder")
        << "run"
        << "keyDown" << QByteArray(R"({"script":"pwd","folder":"{folder}"})")
        << QStringList{"setTitle:{folder}"};
    QTest::newRow("a folder that is not there is a failure")
        << "run"
        << "keyDown" << QByteArray(R"({"script":"pwd","folder":"{folder}/gone"})")
        << QStringList{"showAlert"};
    QTest::newRow("Watch: a run that exits 0 is state 0")
        << "watch"
        << "willAppear" << QByteArray(R"({"script":"echo up"})")
        << QStringList{"setTitle:up", "setState:0"};
    QTest::newRow("Watch: a press runs it, a failure is state 1")
        << "watch"
        << "keyDown" << QByteArray(R"({"script":"echo down; exit 1"})")
        << QStringList{"setTitle:down", "setState:1", "showAlert"};
    QTest::newRow("a dial's turn: the output is the strip's value")
        << "run"
        << "dialRotate" << QByteArray(R"({"script":"echo \"t=$KEYSCRIPT_TICKS\""})")
        << QStringList{"setFeedback:t=2"};
    QTest::newRow("Run does not run when its key appears")
        << "run"
        << "willAppear" << plain << QStringList{};
}

void TypedScriptsTest::outcome()
{
    SKIP_WITHOUT_SH("the typed scripts are sh's");
    QFETCH(QString, action);
    QFETCH(QString, event);
    QFETCH(QByteArray, settings);
    QFETCH(QStringList, expected);
    const QString folder = QDir(temp->path()).canonicalPath();
    settings.replace("{folder}", folder.toUtf8());
    expected.replaceInStrings(QStringLiteral("{folder}"), folder);
    const QJsonObject object = QJsonDocument::fromJson(settings).object();
    QVERIFY(!object.isEmpty());
    allow(QStringLiteral("sh"), object.value("script").toString());
    start();
    send(event, "org.keyscript." + action, object);
    if (expected.isEmpty()) {
        QTest::qWait(500);
        QVERIFY(bundle->logLines().filter(QStringLiteral("run ")).isEmpty());
    }
    QTRY_COMPARE_WITH_TIMEOUT(commands(), expected, 10000);
}

void TypedScriptsTest::interpreters_data()
{
    QTest::addColumn<QString>("interpreter");
    QTest::addColumn<QString>("script"); // prints "ok 2"
    QTest::addColumn<bool>("here");      // whether it can run here

    const QStringList path = qEnvironmentVariable("PATH").split(QDir::listSeparator());
    const auto found = [&path](const char *name) {
        return !QStandardPaths::findExecutable(QLatin1String(name), path).isEmpty();
    };
#ifdef Q_OS_WIN
    // Windows' own, from the system folder; Wine has cmd but no PowerShell, unless a test put
    // its stand-in there.
    QTest::newRow("cmd") << "cmd"
                         << "@echo off\nset /a n=1+1 >nul\necho ok %n%" << true;
    QTest::newRow("powershell") << "powershell"
                                << "Write-Output \"ok $(1+1)\""
                                << QFileInfo(interpreterOf("x.ps1", false)).isFile();
#else
    QTest::newRow("sh") << "sh"
                        << "echo \"ok $((1+1))\"" << true;
    QTest::newRow("bash") << "bash"
                          << "echo \"ok $((1+1))\"" << found("bash");
    QTest::newRow("zsh") << "zsh"
                         << "echo \"ok $((1+1))\"" << found("zsh");
    QTest::newRow("cmd is Windows' only") << "cmd"
                                          << "echo ok 2" << false;
    QTest::newRow("powershell is Windows' only") << "powershell"
                                                 << "Write-Output 'ok 2'" << false;
#endif
    QTest::newRow("python3") << "python3"
                             << "print('ok', 1 + 1)" << found("python3");
    QTest::newRow("node") << "node"
                          << "console.log('ok', 1 + 1)" << found("node");
    QTest::newRow("pwsh") << "pwsh"
                          << "Write-Output \"ok $(1+1)\"" << found("pwsh");
    QTest::newRow("an unknown name") << "perl"
                                     << "print 2" << false;
}

void TypedScriptsTest::interpreters()
{
    QFETCH(QString, interpreter);
    QFETCH(QString, script);
    QFETCH(bool, here);
    if (here && interpreter == "powershell" && runningUnderWine())
        QSKIP("Wine's powershell.exe is the stand-in another test put there, not PowerShell");
    allow(interpreter, script);
    start();
    const QJsonObject settings{{"script", script}, {"interpreter", interpreter}};
    // Its page is open: it hears why a run could not start.
    send(QStringLiteral("willAppear"), TypedActions::run(), settings);
    QVERIFY(host->sendText(actionEvent("propertyInspectorDidAppear", TypedActions::run(), "k1",
                                       "dev", QJsonObject())));
    QTRY_VERIFY_WITH_TIMEOUT(!toPage().isEmpty(), 10000);
    const QJsonObject typed = toPage().first().value("typed").toObject();
    QCOMPARE(typed.value("interpreter").toString(), interpreter);
    QCOMPARE(typed.value("problem").toString().isEmpty(), here);
    send(QStringLiteral("keyDown"), TypedActions::run(), settings);
    if (here) {
        QTRY_COMPARE_WITH_TIMEOUT(commands(), QStringList{"setTitle:ok 2"}, 20000);
        return;
    }
    QTRY_COMPARE_WITH_TIMEOUT(commands(), QStringList{"showAlert"}, 10000);
    QTRY_VERIFY(toPage().size() >= 2);
    const QJsonObject run = toPage().last().value("run").toObject();
    QVERIFY2(run.value("failed").toBool(), qPrintable(run.value("ending").toString()));
    QVERIFY2(run.value("ending").toString().contains(typed.value("problem").toString()),
             qPrintable(run.value("ending").toString()));
}

void TypedScriptsTest::approval_data()
{
    QTest::addColumn<QString>("allowedBefore"); // interpreter + "|" + script, or nothing
    QTest::addColumn<QString>("allowedOnPage"); // between the first and the second press
    QTest::addColumn<QString>("pressed");       // the key's interpreter + "|" + script
    QTest::addColumn<QStringList>("expected");  // after two presses

    const QString echo = QStringLiteral("sh|echo hi");
    const QStringList review{"showAlert", "setTitle:Review"};
    QTest::newRow("typed on this computer: runs")
        << echo << "" << echo << QStringList{"setTitle:hi", "setTitle:hi"};
    QTest::newRow("came with the settings: no run, a review") << ""
                                                              << "" << echo << review + review;
    QTest::newRow("allowed on the page after the review: runs")
        << "" << echo << echo << review + QStringList{"setTitle:", "setTitle:hi"};
    QTest::newRow("a changed script is another") << "sh|echo ho"
                                                 << "" << echo << review + review;
    QTest::newRow("another interpreter is another script") << "bash|echo hi"
                                                           << "" << echo << review + review;
    QTest::newRow("the default interpreter is the one allowed")
        << TypedActions::defaultInterpreter() + "|echo hi"
        << ""
        << "|echo hi" << QStringList{"setTitle:hi", "setTitle:hi"};
}

void TypedScriptsTest::approval()
{
    SKIP_WITHOUT_SH("the typed scripts are sh's");
    QFETCH(QString, allowedBefore);
    QFETCH(QString, allowedOnPage);
    QFETCH(QString, pressed);
    QFETCH(QStringList, expected);
    if (!allowedBefore.isEmpty())
        allow(allowedBefore.section('|', 0, 0), allowedBefore.section('|', 1));
    start();
    const QJsonObject settings{{"interpreter", pressed.section('|', 0, 0)},
                               {"script", pressed.section('|', 1)}};
    send(QStringLiteral("willAppear"), TypedActions::run(), settings);
    send(QStringLiteral("keyDown"), TypedActions::run(), settings);
    QTRY_COMPARE_WITH_TIMEOUT(commands().size(), expected.size() / 2, 10000);
    if (!allowedOnPage.isEmpty()) {
        // As the page sends it when the user allows it, or saves what was typed.
        const QJsonObject approve{{"keyscript", "approve"},
                                  {"interpreter", allowedOnPage.section('|', 0, 0)},
                                  {"script", allowedOnPage.section('|', 1)}};
        QVERIFY(host->sendText(
            QString::fromUtf8(QJsonDocument(QJsonObject{{"event", "sendToPlugin"},
                                                        {"action", TypedActions::run()},
                                                        {"context", "k1"},
                                                        {"payload", approve}})
                                  .toJson(QJsonDocument::Compact))));
        QTRY_COMPARE(commands().size(), expected.size() / 2 + 1); // no longer "Review"
    }
    send(QStringLiteral("keyDown"), TypedActions::run(), settings);
    QTRY_COMPARE_WITH_TIMEOUT(commands(), expected, 10000);
}

void TypedScriptsTest::trustFileIsKeptWhole()
{
    // Two plugins (keyscript's own and a stand-in's) may allow scripts in one folder: each
    // reads what the other wrote, and the file is replaced whole, never left half written.
    TrustedScripts first(config->path());
    TrustedScripts second(config->path());
    QList<QByteArray> allowed;
    for (int i = 0; i < 20; ++i) {
        allowed << TypedScript::fingerprint("sh", QString::number(i));
        QVERIFY((i % 2 ? first : second).trust(allowed.last()));
        QTest::qWait(i % 5 == 0 ? 20 : 0); // some within one tick of the clock, some not
    }
    for (const QByteArray &fingerprint : allowed)
        QVERIFY(TrustedScripts(config->path()).isTrusted(fingerprint));
    QVERIFY(!TrustedScripts(config->path()).isTrusted(TypedScript::fingerprint("sh", "x")));
    QFile file(first.filePath());
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray content = file.readAll();
    QCOMPARE(content.count('\n'), 20);
    QCOMPARE(QDir(config->path()).entryList(QDir::Files | QDir::Hidden).size(), 1);
#ifndef Q_OS_WIN
    QCOMPARE(file.permissions() & (QFile::ReadOther | QFile::ReadGroup), QFile::Permissions());
#endif
}

void TypedScriptsTest::scriptFilesAreWrittenOnceAndRemoved()
{
    SKIP_WITHOUT_SH("the typed script is sh's");
    const QJsonObject settings{{"script", "echo tick"}, {"every", "1"}};
    allow(QStringLiteral("sh"), QStringLiteral("echo tick"));
    start();
    send(QStringLiteral("willAppear"), TypedActions::watch(), settings);
    QTRY_COMPARE_WITH_TIMEOUT(commands().count("setTitle:tick"), 3, 10000);
    const QStringList folders = QDir(temp->path()).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    QCOMPARE(folders.size(), 1);
    const QDir folder(QDir(temp->path()).filePath(folders.first()));
    QCOMPARE(folder.entryList(QDir::Files).size(), 1);
#ifndef Q_OS_WIN
    QCOMPARE(QFile(folder.path()).permissions() & (QFile::ReadOther | QFile::ReadGroup),
             QFile::Permissions());
    plugin->terminate();
    QVERIFY(plugin->waitForFinished(10000));
    QVERIFY(!folder.exists());
#endif
}

QTEST_GUILESS_MAIN(TypedScriptsTest)
#include "tst_typedscripts.moc"
