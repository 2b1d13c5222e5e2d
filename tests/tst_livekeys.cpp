// Live keys: an appear script hears its key's later events on its standard input, and a key's
// scripts keep the order of its events.
#include "support/bundle.h"
#include "support/standinhost.h"

#include <QtTest>

#include <memory>

namespace {
QString title(const QString &text, const QString &context = QStringLiteral("k1"))
{
    QString escaped = text;
    escaped.replace("\\", "\\\\").replace("\"", "\\\"");
    return QStringLiteral(
               R"({"context":"%1","event":"setTitle","payload":{"target":0,"title":"%2"}})")
        .arg(context, escaped);
}
// The payload StandInHost sends with every event of a key, as compact JSON.
const QString payload = R"({"controller":"Keypad","coordinates":{"column":0,"row":0},)"
                        R"("isInMultiAction":false,)"
                        R"("settings":{}})";
} // namespace

class LiveKeysTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init();
    void eventsReachTheAppearScript_data();
    void eventsReachTheAppearScript();
    void unreadEventsAreDropped();
    void aHiddenKeyKeepsWhatItsScriptStored_data();
    void aHiddenKeyKeepsWhatItsScriptStored();
    void sharedSettingsInAndOut();
    void aPolledKeyRunsAgainUntilItGoes();
    void keyOrder_data();
    void keyOrder();
    void liveKeysAtTheLimit_data();
    void liveKeysAtTheLimit();

private:
    QStringList sent() const { return host->messages.mid(1); }
    std::unique_ptr<StandInHost> host;
    std::unique_ptr<Bundle> bundle;
    std::unique_ptr<PluginProcess> plugin;
};

void LiveKeysTest::init()
{
    SKIP_WITHOUT_SH("the live scripts read their input with sh");
    plugin.reset();
    host = std::make_unique<StandInHost>();
    bundle = std::make_unique<Bundle>();
    plugin = std::make_unique<PluginProcess>();
    QVERIFY(bundle->isValid());
    QVERIFY(bundle->writeFile("work/log.txt", ""));
    // Says it is live, then answers each line it reads with that line.
    QVERIFY(bundle->writeScript("live@willAppear",
                                "trap '' TERM\n"
                                "echo 'setTitle live'\n"
                                "while read -r event data; do\n"
                                "  printf 'setTitle %s %s\\n' \"$event\" \"$data\"\n"
                                "done\n"));
    bundle->start(*plugin, host->port());
    QTRY_COMPARE_WITH_TIMEOUT(host->messages.size(), 1, 10000);
}

void LiveKeysTest::eventsReachTheAppearScript_data()
{
    QTest::addColumn<QString>("event");
    for (const char *event : {"keyDown", "keyUp", "didReceiveSettings", "titleParametersDidChange"})
        QTest::newRow(event) << event;
}

void LiveKeysTest::eventsReachTheAppearScript()
{
    QFETCH(QString, event);
    host->sendEvent("willAppear", "live", "k1");
    QTRY_COMPARE(sent(), QStringList{title("live")});

    // One line per event, its payload as the host sent it; another key's events stay away.
    host->sendEvent(event, "live", "k2");
    host->sendEvent(event, "live", "k1");
    QTRY_COMPARE(sent(), QStringList({title("live"), title(event + ' ' + payload)}));

    // Ending the script closes its input first: a reading script ends by itself, before the kill
    // that would follow the request it ignores.
    host->sendEvent("willDisappear", "live", "k1");
    QTRY_VERIFY(bundle->logLines().contains("exit 0"));
    QVERIFY(!bundle->logLines().contains("ended"));
}

void LiveKeysTest::unreadEventsAreDropped()
{
    // An appear script that never reads: what waits for it stays bounded, the rest is counted.
    QVERIFY(bundle->writeScript("deaf@willAppear", "echo 'setTitle deaf'\nexec sleep 30\n"));
    host->sendEvent("willAppear", "deaf", "k1");
    QTRY_COMPARE(sent(), QStringList{title("deaf")});
    const int events = 3000; // some 300 KB of lines
    for (int i = 0; i < events; ++i)
        host->sendEvent("didReceiveSettings", "deaf", "k1");
    host->sendEvent("willDisappear", "deaf", "k1");

    // Said whenever the script's input has room again, and when it ends.
    static const QRegularExpression dropped(
        "^dropped (\\d+) events: the script did not read its input$");
    QTRY_VERIFY(bundle->logLines().contains("ended"));
    int count = 0;
    for (const QString &line : bundle->logLines().filter(dropped))
        count += dropped.match(line).captured(1).toInt();
    QVERIFY2(count > events / 2 && count < events, qPrintable(QString::number(count)));
}

void LiveKeysTest::aHiddenKeyKeepsWhatItsScriptStored_data()
{
    QTest::addColumn<int>("presses");
    QTest::addColumn<QByteArray>("handler"); // how long one takes, in seconds
    QTest::addColumn<QByteArray>("start");
    QTest::newRow("five, a script that ignores TERM")
        << 5 << QByteArray("0.1") << QByteArray("trap '' TERM\n");
    QTest::newRow("twenty quick ones") << 20 << QByteArray("0.05") << QByteArray();
    QTest::newRow("one that takes a second") << 1 << QByteArray("1") << QByteArray();
}

void LiveKeysTest::aHiddenKeyKeepsWhatItsScriptStored()
{
    // A live counter, slower than the presses: they wait in its input when the key goes (a
    // profile switch), and it answers them after its input has closed.
    QFETCH(int, presses);
    QFETCH(QByteArray, handler);
    QFETCH(QByteArray, start);
    QVERIFY(bundle->writeScript("count@willAppear",
                                start +
                                    "n=0\n"
                                    "while read -r event data; do\n"
                                    "  [ \"$event\" = keyDown ] || continue\n"
                                    "  sleep " +
                                    handler +
                                    "; n=$((n + 1))\n"
                                    "  echo \"setTitle $n\"\n"
                                    "  echo \"setSettings {\\\"count\\\":\\\"$n\\\"}\"\n"
                                    "done\n"));
    host->sendEvent("willAppear", "count", "k1");
    for (int i = 0; i < presses; ++i)
        host->sendEvent("keyDown", "count", "k1");
    host->sendEvent("willDisappear", "count", "k1");

    // Every count is stored; what would only draw on the gone key may be dropped. The log says
    // "exit 0" before the script's last lines have reached the host.
    QTRY_VERIFY_WITH_TIMEOUT(bundle->logLines().contains("exit 0"), 10000);
    const auto stored = [this] { return sent().filter(R"("event":"setSettings")"); };
    QStringList expected;
    for (int n = 1; n <= presses; ++n)
        expected << QStringLiteral(
                        R"({"context":"k1","event":"setSettings","payload":{"count":"%1"}})")
                        .arg(n);
    QTRY_COMPARE_WITH_TIMEOUT(stored(), expected, 5000);
}

void LiveKeysTest::sharedSettingsInAndOut()
{
    // The plugin's settings, shared by all keys: the host sends them without an action, a live
    // script hears them, every script gets them, and a script sets them for all.
    QVERIFY(bundle->writeScript("shared", "echo \"setTitle $KEYSCRIPT_GLOBAL_SETTINGS\"\n"
                                          "echo 'setGlobalSettings {\"token\":\"t2\"}'\n"));
    host->sendEvent("willAppear", "live", "k1");
    QTRY_COMPARE(sent(), QStringList{title("live")});
    QVERIFY(host->sendText(
        R"({"event":"didReceiveGlobalSettings","payload":{"settings":{"token":"t1"}}})"));
    const QString heard = title(R"(didReceiveGlobalSettings {"settings":{"token":"t1"}})");
    QTRY_COMPARE(sent(), QStringList({title("live"), heard}));

    QVERIFY(host->press("shared", "k2"));
    const QString set =
        R"({"context":"plugin-1","event":"setGlobalSettings","payload":{"token":"t2"}})";
    QTRY_COMPARE(sent(),
                 QStringList({title("live"), heard, title(R"({"token":"t1"})", "k2"), set}));
    // The host does not echo them to the plugin that set them: it keeps them itself.
    QVERIFY(host->press("shared", "k2"));
    QTRY_COMPARE(sent().size(), 6);
    QCOMPARE(sent().at(4), title(R"({"token":"t2"})", "k2"));
}

void LiveKeysTest::aPolledKeyRunsAgainUntilItGoes()
{
    // An appear script that ends at once, and asks to run again every 300 ms.
    QVERIFY(bundle->writeScript("poll@willAppear",
                                "# keyscript every: 300ms\necho \"setTitle n=$ZEB_n\"\n"));
    host->sendEvent("willAppear", "poll", "k1");
    QTRY_VERIFY_WITH_TIMEOUT(sent().size() >= 3, 5000);
    QCOMPARE(sent().mid(0, 3), QStringList(3, title("n=")));
    // With the key's latest settings.
    QVERIFY(host->sendText(R"({"event":"didReceiveSettings","action":"poll","context":"k1",)"
                           R"("device":"dev","payload":{"settings":{"n":"2"}}})"));
    QTRY_COMPARE_WITH_TIMEOUT(sent().last(), title("n=2"), 5000);
    // Never two at once: each run ended before the next began.
    QVERIFY(bundle->logLines().filter("state QProcess::Running").size() <=
            bundle->logLines().filter("exit 0").size() + 1);
    host->sendEvent("willDisappear", "poll", "k1");
    QTest::qWait(200);
    const qsizetype runs = sent().size();
    QTest::qWait(900);
    QCOMPARE(sent().size(), runs); // it stopped with its key
}

void LiveKeysTest::keyOrder_data()
{
    QTest::addColumn<QByteArray>("first");   // the script that comes first
    QTest::addColumn<QByteArray>("second");  // and the one that must follow it
    QTest::addColumn<QStringList>("events"); // "shown N" waits for N titles
    QTest::addColumn<QStringList>("titles"); // in the order they must arrive

    // Push-to-talk: a slow press, a quick release.
    QTest::newRow("a quick tap ends released")
        << QByteArray("tap:sleep 0.3; echo 'setTitle on'")
        << QByteArray("tap@keyUp:echo 'setTitle off'") << QStringList{"keyDown", "keyUp"}
        << QStringList{"on", "off"};
    QTest::newRow("presses of one key still run side by side")
        << QByteArray("tap:sleep $ZEB_s; echo \"setTitle on $ZEB_s\"")
        << QByteArray("tap@keyUp:echo 'setTitle off'")
        << QStringList{"keyDown 0.4", "keyDown 0", "keyUp"} << QStringList{"on 0", "on 0.4", "off"};
    QTest::newRow("the next appearance follows the clean-up of the last")
        << QByteArray("fade@willDisappear:sleep 0.3; echo 'setTitle gone'")
        << QByteArray("fade@willAppear:echo 'setTitle shown'")
        << QStringList{"willAppear", "shown 1", "willDisappear", "willAppear"}
        << QStringList{"shown", "gone", "shown"};
    QTest::newRow("a press while the next appearance waits is heard by it")
        << QByteArray("fade@willDisappear:sleep 0.5; echo 'setTitle gone'")
        << QByteArray("fade@willAppear:echo 'setTitle shown'; "
                      "while read -r e d; do echo \"setTitle $e\"; done")
        << QStringList{"willAppear", "shown 1", "willDisappear", "willAppear", "keyDown", "keyUp"}
        << QStringList{"shown", "gone", "shown", "keyDown", "keyUp"};
    QTest::newRow("a press that never ends holds its release 5 s at most")
        << QByteArray("tap:echo 'setTitle on'; exec sleep 30")
        << QByteArray("tap@keyUp:echo 'setTitle off'") << QStringList{"keyDown", "keyUp"}
        << QStringList{"on", "off"};
}

void LiveKeysTest::keyOrder()
{
    QFETCH(QByteArray, first);
    QFETCH(QByteArray, second);
    QFETCH(QStringList, events);
    QFETCH(QStringList, titles);

    for (const QByteArray &script : {first, second}) {
        const qsizetype colon = script.indexOf(':');
        QVERIFY(bundle->writeScript(script.left(colon), script.mid(colon + 1) + '\n'));
    }
    const QString action = QString::fromUtf8(first.left(first.indexOf(':'))).section('@', 0, 0);
    for (const QString &event : events) {
        const QString name = event.section(' ', 0, 0);
        const QString seconds = event.section(' ', 1);
        if (name == "shown")
            QTRY_COMPARE(sent().size(), seconds.toInt());
        else if (name == "keyDown")
            host->press(action, "k1",
                        seconds.isEmpty() ? "{}" : "{\"s\":\"" + seconds.toUtf8() + "\"}");
        else
            host->sendEvent(name, action, "k1");
    }
    QStringList expected;
    for (const QString &text : titles)
        expected << title(text);
    QTRY_COMPARE_WITH_TIMEOUT(sent(), expected, 10000);
}

void LiveKeysTest::liveKeysAtTheLimit_data()
{
    QTest::addColumn<int>("keys");
    QTest::newRow("one place left") << 127;
    QTest::newRow("every place taken") << 128;
    QTest::newRow("two more waiting") << 130;
}

void LiveKeysTest::liveKeysAtTheLimit()
{
    QFETCH(int, keys);
    // Live keys that hold their places for good, until the plugin ends them.
    QVERIFY(bundle->writeScript("lit@willAppear", "echo 'setTitle lit'\nexec sleep 60\n"));
    QVERIFY(bundle->writeScript("other", "echo 'setTitle answered'\n"));
    for (int key = 0; key < keys; ++key)
        host->sendEvent("willAppear", "lit", QString("L%1").arg(key));
    QTRY_COMPARE_WITH_TIMEOUT(host->messages.filter("\"lit\"").size(), qMin(keys, 128), 20000);
    // Every key goes (a profile switch away), and another key is pressed.
    for (int key = 0; key < keys; ++key)
        host->sendEvent("willDisappear", "lit", QString("L%1").arg(key));
    host->press("other", "k9");
    QTRY_VERIFY_WITH_TIMEOUT(sent().contains(title("answered", "k9")), 20000);
    // Every appear script ended, the two that waited included.
    QTRY_COMPARE_WITH_TIMEOUT(bundle->logLines().filter(QRegularExpression("^(ended|exit)")).size(),
                              keys + 1, 20000);
    // Said once when events began to wait, with the scripts that held places longest.
    const QStringList full = bundle->logLines().filter("scripts run: events wait for one to end");
    QCOMPARE(full.size(), keys >= 128 ? 1 : 0);
    if (keys >= 128)
        QVERIFY2(full.first().contains("lit@willAppear\" ("), qPrintable(full.first()));
}

QTEST_GUILESS_MAIN(LiveKeysTest)
#include "tst_livekeys.moc"
