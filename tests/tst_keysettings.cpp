// What scripts get of their key's settings: the newest the plugin knows, the shared settings
// from their first run, and secrets in their variables only, out of every log.
#include "support/bundle.h"
#include "support/standinhost.h"

#include <QtTest>

#include <memory>

namespace {
// An event of the key "k1" of action "d", as the host sends it, with the settings it carries.
QString keyEvent(const QString &event, const QString &settings, const QString &more = QString())
{
    return QStringLiteral(R"({"action":"d","context":"k1","device":"dev","event":"%1",)"
                          R"("payload":{"controller":"Encoder","settings":%2%3}})")
        .arg(event, settings, more);
}
} // namespace

class KeySettingsTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();
    void scriptsGetTheNewestSettings_data();
    void scriptsGetTheNewestSettings();
    void sharedSettingsBeforeTheFirstRun_data();
    void sharedSettingsBeforeTheFirstRun();
    void secretsStayOutOfSight();

private:
    bool startPlugin();
    // The value of "n" in the last setSettings the plugin sent; empty before any.
    QString lastStoredN() const;
    std::unique_ptr<StandInHost> host;
    std::unique_ptr<Bundle> bundle;
    std::unique_ptr<PluginProcess> plugin;
};

void KeySettingsTest::init()
{
    SKIP_WITHOUT_SH("the scripts are sh scripts");
    host = std::make_unique<StandInHost>();
    bundle = std::make_unique<Bundle>();
    plugin = std::make_unique<PluginProcess>();
    QVERIFY(bundle->isValid());
    QVERIFY(bundle->writeFile("work/log.txt", ""));
}

void KeySettingsTest::cleanup()
{
    plugin.reset();
    bundle.reset();
    host.reset();
}

bool KeySettingsTest::startPlugin()
{
    bundle->start(*plugin, host->port());
    return QTest::qWaitFor([this] { return !host->messages.isEmpty(); }, 10000);
}

QString KeySettingsTest::lastStoredN() const
{
    for (qsizetype i = host->messages.size() - 1; i >= 0; --i) {
        const QJsonObject message = QJsonDocument::fromJson(host->messages.at(i).toUtf8()).object();
        if (message["event"] == "setSettings")
            return message["payload"]["n"].toString();
    }
    return QString();
}

void KeySettingsTest::scriptsGetTheNewestSettings_data()
{
    QTest::addColumn<QStringList>("events"); // sent one after the other, at once
    QTest::addColumn<QString>("n");          // what the level dial stores last

    // The host has not taken the first run's settings when the next turns come: each turn
    // still carries the settings the dial had before it.
    const QString before = R"({"n":"50"})";
    QStringList tenTurns;
    for (int i = 0; i < 10; ++i)
        tenTurns << keyEvent("dialRotate", before, R"(,"ticks":1,"pressed":false)");
    QTest::newRow("ten quick turns, none lost") << tenTurns << "60";
    // The page stores after the script did: the later wins, as in the host, whose next event
    // carries it.
    QTest::newRow("the page's later settings win")
        << QStringList{keyEvent("dialRotate", before, R"(,"ticks":1,"pressed":false)"), "wait",
                       keyEvent("didReceiveSettings", R"({"n":"20"})"),
                       keyEvent("dialRotate", R"({"n":"20"})", R"(,"ticks":1,"pressed":false)")}
        << "21";
    // A key that appears again does so long after its last run stored.
    QTest::newRow("a key that appears anew has the host's")
        << QStringList{keyEvent("dialRotate", before, R"(,"ticks":1,"pressed":false)"), "wait",
                       keyEvent("willAppear", R"({"n":"7"})"),
                       keyEvent("dialRotate", R"({"n":"7"})", R"(,"ticks":1,"pressed":false)")}
        << "8";
}

void KeySettingsTest::scriptsGetTheNewestSettings()
{
    QFETCH(QStringList, events);
    QFETCH(QString, n);
    QFile level(QStringLiteral(KEYSCRIPT_EXAMPLES_DIR) + "/org.keyscript.level@dialRotate");
    QVERIFY(level.open(QIODevice::ReadOnly));
    QVERIFY(bundle->writeScript("d@dialRotate", level.readAll()));
    QVERIFY(startPlugin());
    for (const QString &event : std::as_const(events)) {
        if (event == "wait") { // for the runs so far to end
            const QString stored = lastStoredN();
            QTRY_VERIFY(!lastStoredN().isEmpty() && lastStoredN() != stored);
            QTest::qWait(200);
            continue;
        }
        QVERIFY(host->sendText(event));
    }
    QTRY_COMPARE_WITH_TIMEOUT(lastStoredN(), n, 10000);
    QTest::qWait(300); // and nothing after it
    QCOMPARE(lastStoredN(), n);
}

void KeySettingsTest::sharedSettingsBeforeTheFirstRun_data()
{
    QTest::addColumn<int>("answerMs"); // below 0: the host never answers
    QTest::addColumn<QString>("seen");

    QTest::newRow("a host that answers at once") << 0 << R"({"token":"t1"})";
    QTest::newRow("a host that answers late") << 600 << R"({"token":"t1"})";
    QTest::newRow("a host that never answers") << -1 << "{}";
}

void KeySettingsTest::sharedSettingsBeforeTheFirstRun()
{
    QFETCH(int, answerMs);
    QFETCH(QString, seen);
    host->globalSettings = R"({"token":"t1"})";
    host->globalAnswerMs = answerMs;
    QVERIFY(bundle->writeScript("d@willAppear", "echo \"setTitle $KEYSCRIPT_GLOBAL_SETTINGS\"\n"));
    QVERIFY(bundle->writeScript("d", "echo \"setTitle pressed\"\n"));
    QVERIFY(startPlugin());
    QVERIFY(host->sendText(keyEvent("willAppear", "{}")));
    QVERIFY(host->sendText(keyEvent("keyDown", "{}")));
    // Both ran (side by side: either may answer first).
    QTRY_COMPARE_WITH_TIMEOUT(host->messages.size(), 3, 5000);
    const QString answers = host->messages.mid(1).join('\n');
    QVERIFY2(answers.contains("\"title\":\"" + QString(seen).replace("\"", "\\\"") + "\""),
             qPrintable(answers));
    QVERIFY(answers.contains("pressed"));
    const QByteArray log = bundle->readFile("work/log.txt");
    QCOMPARE(log.contains("did not send the shared settings"), answerMs < 0);
}

void KeySettingsTest::secretsStayOutOfSight()
{
    // The script shows its command line and what its variables hold, and stores new secrets.
    QVERIFY(bundle->writeScript("d",
                                "# keyscript setting: password secret \"Password\"\n"
                                "# keyscript setting: pin secret \"PIN\" 1234\n"
                                "# keyscript shared-setting: token secret \"API token\"\n"
                                "[ \"$ZEB_password $ZEB_pin\" = 'hunter2 1234' ] && seen=both\n"
                                "echo \"setTitle [$*] $seen\"\n"
                                "echo 'setSettings {\"password\":\"hunter3\",\"user\":\"me\"}'\n"
                                "echo 'setGlobalSettings {\"token\":\"tok3\"}'\n"
                                "echo 'setSettings {\"password\":\"hunter4\"'\n"
                                "echo \"setTitle $ZEB_password\"\n"
                                "echo \"the pin is $ZEB_pin\"\n"));
    QVERIFY(startPlugin());
    QVERIFY(host->sendText(keyEvent("keyDown", R"({"password":"hunter2","user":"me"})")));
    QTRY_COMPARE_WITH_TIMEOUT(host->messages.size(), 5, 5000);
    QVERIFY2(host->messages.at(1).contains(R"([--user me] both)"),
             qPrintable(host->messages.at(1)));
    QTRY_VERIFY(bundle->readFile("work/log.txt").contains("exit 0"));
    const QByteArray log = bundle->readFile("work/log.txt");
    for (const char *secret : {"hunter", "1234", "tok3"}) {
        const qsizetype at = log.indexOf(secret);
        QVERIFY2(at < 0, log.mid(log.lastIndexOf('\n', at) + 1, 200).constData());
    }
    QVERIFY(log.contains(R"(setSettings {\"password\":\"•••\",\"user\":\"me\"})"));
    QVERIFY(log.contains(R"(setGlobalSettings {\"token\":\"•••\"})"));
}

QTEST_GUILESS_MAIN(KeySettingsTest)
#include "tst_keysettings.moc"
