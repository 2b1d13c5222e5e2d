// keyscript-host plays the host as its documentation says: from the plugin's manifest it knows
// which keys have a state and flips them, what a user's title hides, which profiles exist, and
// it starts the plugin with -info in the host's shape.
#include "host/hostoptions.h"
#include "host/keystore.h"

#include <QtTest>

class StandInTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void statesAsTheManifestSays_data();
    void statesAsTheManifestSays();
    void whatTheHostRefuses_data();
    void whatTheHostRefuses();
    void statesAndDialsAsTheHostTakesThem_data();
    void statesAndDialsAsTheHostTakesThem();
    void infoAsTheHostSendsIt();
};

namespace {

PluginManifest manifestOf(int states, bool automatic, bool userTitleEnabled = true)
{
    PluginManifest manifest;
    PluginManifest::Action action;
    action.uuid = "a";
    action.stateImages = QStringList(states, "images/key");
    action.automaticStates = automatic;
    action.userTitleEnabled = userTitleEnabled;
    manifest.actions << action;
    manifest.profiles << PluginManifest::Profile{"Work", 0};
    return manifest;
}

// "keyDown", "keyUp", or either with " state N" or " multi" after it.
QString eventOf(const QString &word)
{
    const QStringList parts = word.split(' ');
    QJsonObject payload{{"settings", QJsonObject()},
                        {"coordinates", QJsonObject{{"column", 1}, {"row", 0}}},
                        {"isInMultiAction", parts.contains("multi")}};
    if (const qsizetype at = parts.indexOf("state"); at > 0)
        payload.insert("state", parts.at(at + 1).toInt());
    return QString::fromUtf8(QJsonDocument(QJsonObject{{"event", parts.at(0)},
                                                       {"action", "a"},
                                                       {"context", "k"},
                                                       {"payload", payload}})
                                 .toJson(QJsonDocument::Compact));
}

} // namespace

void StandInTest::statesAsTheManifestSays_data()
{
    QTest::addColumn<int>("states"); // 0: no manifest
    QTest::addColumn<bool>("automatic");
    QTest::addColumn<QStringList>("events");
    // Per event: its state ("-" for none), its userDesiredState, whether it has coordinates.
    QTest::addColumn<QStringList>("sent");

    QTest::newRow("one state: never a state")
        << 1 << true << QStringList{"keyDown state 1", "keyUp"} << QStringList{"- - at", "- - at"};
    QTest::newRow("two states: the host flips them after each release")
        << 2 << true << QStringList{"keyDown", "keyUp", "keyDown", "keyUp", "keyDown"}
        << QStringList{"0 - at", "0 - at", "1 - at", "1 - at", "0 - at"};
    QTest::newRow("two states the scripts set: no flip")
        << 2 << false << QStringList{"keyDown", "keyUp", "keyDown"}
        << QStringList{"0 - at", "0 - at", "0 - at"};
    QTest::newRow("a step of a multi-action: no place, and the state chosen")
        << 2 << false << QStringList{"keyDown state 1 multi"} << QStringList{"1 0 -"};
    QTest::newRow("one state in a multi-action: nothing to choose")
        << 1 << true << QStringList{"keyDown multi"} << QStringList{"- - -"};
    QTest::newRow("without a manifest, the state given is kept")
        << 0 << true << QStringList{"keyDown state 1", "keyUp"} << QStringList{"1 - at", "1 - at"};
}

void StandInTest::statesAsTheManifestSays()
{
    QFETCH(int, states);
    QFETCH(bool, automatic);
    QFETCH(QStringList, events);
    QFETCH(QStringList, sent);
    KeyStore keys;
    if (states > 0)
        keys.setManifest(manifestOf(states, automatic));
    QStringList seen;
    for (const QString &word : events) {
        const QJsonObject payload = QJsonDocument::fromJson(keys.prepare(eventOf(word)).toUtf8())
                                        .object()
                                        .value("payload")
                                        .toObject();
        const auto number = [&payload](const char *name) {
            return payload.contains(name) ? QString::number(payload.value(name).toInt()) : "-";
        };
        seen << number("state") + ' ' + number("userDesiredState") + ' ' +
                    (payload.contains("coordinates") ? "at" : "-");
    }
    QCOMPARE(seen, sent);
}

void StandInTest::whatTheHostRefuses_data()
{
    QTest::addColumn<int>("states");
    QTest::addColumn<bool>("userTitleEnabled");
    QTest::addColumn<QString>("userTitle"); // typed for the key before the command
    QTest::addColumn<QString>("command");
    QTest::addColumn<QString>("refusal"); // how it begins; none when empty

    const QString setState = R"({"event":"setState","context":"k","payload":{"state":1}})";
    const QString setTitle = R"({"event":"setTitle","context":"k","payload":{"title":"x"}})";
    const auto profile = [](const char *name) {
        return QStringLiteral(R"({"event":"switchToProfile","context":"p","device":"d",)"
                              R"("payload":{"profile":"%1"}})")
            .arg(name);
    };
    QTest::newRow("setState of one state") << 1 << true << "" << setState << "the host keeps";
    QTest::newRow("setState of two states") << 2 << true << "" << setState << "";
    QTest::newRow("setTitle under a user's title")
        << 1 << true << "Mine" << setTitle << "the key shows the title its user typed";
    QTest::newRow("setTitle where the action turns user titles off")
        << 1 << false << "Mine" << setTitle << "";
    QTest::newRow("setTitle without a user's title") << 1 << true << "" << setTitle << "";
    QTest::newRow("a profile the plugin ships") << 1 << true << "" << profile("Work") << "";
    QTest::newRow("a profile it does not")
        << 1 << true << "" << profile("Games") << "the host switches only to profiles";
}

void StandInTest::whatTheHostRefuses()
{
    QFETCH(int, states);
    QFETCH(bool, userTitleEnabled);
    QFETCH(QString, userTitle);
    QFETCH(QString, command);
    QFETCH(QString, refusal);
    KeyStore keys;
    keys.setManifest(manifestOf(states, true, userTitleEnabled));
    QJsonObject appear{{"event", "willAppear"},
                       {"action", "a"},
                       {"context", "k"},
                       {"payload", QJsonObject{{"userTitle", userTitle}}}};
    const QString prepared = keys.prepare(QJsonDocument(appear).toJson(QJsonDocument::Compact));
    QVERIFY(!prepared.contains("userTitle")); // the host never sends it
    const QString said = keys.apply(QJsonDocument::fromJson(command.toUtf8()).object());
    QVERIFY2(refusal.isEmpty() ? said.isEmpty() : said.startsWith(refusal), qPrintable(said));
}

void StandInTest::statesAndDialsAsTheHostTakesThem_data()
{
    QTest::addColumn<int>("states"); // of the action; 0: no manifest
    QTest::addColumn<bool>("dial");  // the key is shown on a dial
    QTest::addColumn<QString>("command");
    QTest::addColumn<QString>("refusal"); // none when empty
    QTest::addColumn<int>("stateAfter");  // what the key's next press says; -1: none

    const auto setState = [](int state) {
        return QStringLiteral(R"({"event":"setState","context":"k","payload":{"state":%1}})")
            .arg(state);
    };
    const QString showOk = R"({"event":"showOk","context":"k"})";
    const QString showAlert = R"({"event":"showAlert","context":"k"})";
    const QString outOfRange = "the host takes state 0 or 1, of an action of two states";
    QTest::newRow("state 1 of two") << 2 << false << setState(1) << "" << 1;
    QTest::newRow("state 5 of two") << 2 << false << setState(5) << outOfRange << 0;
    QTest::newRow("state 5 without a manifest") << 0 << false << setState(5) << outOfRange << -1;
    QTest::newRow("a state on a dial")
        << 2 << true << setState(1) << "the host sets the state of a key, not of a dial" << 0;
    QTest::newRow("showOk on a dial")
        << 1 << true << showOk << "the host shows an OK mark on a key, not on a dial (showAlert)"
        << -1;
    QTest::newRow("showAlert on a dial") << 1 << true << showAlert << "" << -1;
    QTest::newRow("showOk on a key") << 1 << false << showOk << "" << -1;
}

void StandInTest::statesAndDialsAsTheHostTakesThem()
{
    QFETCH(int, states);
    QFETCH(bool, dial);
    QFETCH(QString, command);
    QFETCH(QString, refusal);
    QFETCH(int, stateAfter);
    KeyStore keys;
    if (states > 0)
        keys.setManifest(manifestOf(states, false));
    const QJsonObject appear{{"event", "willAppear"},
                             {"action", "a"},
                             {"context", "k"},
                             {"payload", QJsonObject{{"controller", dial ? "Encoder" : "Keypad"}}}};
    keys.prepare(QJsonDocument(appear).toJson(QJsonDocument::Compact));
    QCOMPARE(keys.apply(QJsonDocument::fromJson(command.toUtf8()).object()), refusal);
    const QJsonObject next =
        QJsonDocument::fromJson(keys.prepare(eventOf("keyDown")).toUtf8()).object();
    QCOMPARE(next.value("payload").toObject().value("state").toInt(-1), stateAfter);
}

void StandInTest::infoAsTheHostSendsIt()
{
    const HostOptions options =
        HostOptions::parse({"deck", "--keys", "8x4"}, QCoreApplication::applicationFilePath());
    QVERIFY2(options.error.isEmpty(), qPrintable(options.error));
    const QJsonObject info = QJsonDocument::fromJson(options.info.toUtf8()).object();
    const QJsonObject application = info.value("application").toObject();
    for (const char *name : {"font", "language", "platform", "platformVersion", "version"})
        QVERIFY2(application.value(name).isString(), name);
#ifdef Q_OS_WIN
    QCOMPARE(application.value("platform").toString(), "windows");
#else
    QCOMPARE(application.value("platform").toString(), "mac"); // the host knows two systems
#endif
    QVERIFY(info.value("colors").toObject().value("highlightColor").isString());
    QVERIFY(info.value("devicePixelRatio").isDouble());
    const QJsonObject device = info.value("devices").toArray().at(0).toObject();
    QCOMPARE(device.value("id").toString(), "device-1");
    QCOMPARE(device.value("size").toObject(), (QJsonObject{{"columns", 8}, {"rows", 4}}));
    QVERIFY(device.value("type").isDouble());
    QCOMPARE(info.value("plugin").toObject().value("uuid").toString(), options.uuid);
}

QTEST_GUILESS_MAIN(StandInTest)
#include "tst_standin.moc"
