// The batch examples, pressed with settings full of what cmd.exe would otherwise read as its own
// syntax: & | ( ) < > ^ and %. Each must stay text. Windows only.
#include "support/bundle.h"
#include "support/standinhost.h"

#include <QDir>
#include <QtTest>

#include <memory>

namespace {
QString title(const QString &text)
{
    QString escaped = text;
    escaped.replace("\\", "\\\\").replace("\"", "\\\"").replace("\n", "\\n");
    return QStringLiteral(
               R"({"context":"k","event":"setTitle","payload":{"target":0,"title":"%1"}})")
        .arg(escaped);
}
const QString syntax = QStringLiteral("Tom & Jerry | (x) <y> ^z %PATH% 100%");
} // namespace

class BatchExamplesTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init();
    void anySettingStaysText_data();
    void anySettingStaysText();
    void argumentsAsTheDocsSay_data();
    void argumentsAsTheDocsSay();

private:
    std::unique_ptr<StandInHost> host;
    std::unique_ptr<Bundle> bundle;
    std::unique_ptr<PluginProcess> plugin;
};

void BatchExamplesTest::init()
{
    plugin.reset();
    host = std::make_unique<StandInHost>();
    bundle = std::make_unique<Bundle>();
    plugin = std::make_unique<PluginProcess>();
    QVERIFY(bundle->isValid());
    const QDir examples(QStringLiteral(KEYSCRIPT_EXAMPLES_DIR));
    const QStringList files = examples.entryList({"*.bat", "*.svg"}, QDir::Files);
    QVERIFY(!files.isEmpty());
    for (const QString &file : files)
        QVERIFY(QFile::copy(examples.filePath(file), QDir(bundle->cmdDir()).filePath(file)));
    bundle->start(*plugin, host->port());
    QTRY_COMPARE_WITH_TIMEOUT(host->messages.size(), 1, 30000);
}

void BatchExamplesTest::anySettingStaysText_data()
{
    QTest::addColumn<QString>("action");
    QTest::addColumn<QString>("settings");
    QTest::addColumn<QStringList>("expected");

    QTest::newRow("greet") << "org.keyscript.greet"
                           << QStringLiteral(R"({"name":"%1"})").arg(syntax)
                           << QStringList{title("Hello\n" + syntax)};
    QTest::newRow("greet without a name") << "org.keyscript.greet"
                                          << "{}" << QStringList{title("Hello\nthere")};
    QTest::newRow("profile")
        << "org.keyscript.profile" << QStringLiteral(R"({"profile":"%1"})").arg(syntax)
        << QStringList{QStringLiteral(R"({"context":"plugin-1","device":"dev",)"
                                      R"("event":"switchToProfile","payload":{"profile":"%1"}})")
                           .arg(syntax)};
    QTest::newRow("check, a path that is not there")
        << "org.keyscript.check"
        << QStringLiteral(R"({"path":"C:\\no such & (folder) %1"})").arg("%TEMP%")
        << QStringList{title("missing"), R"({"context":"k","event":"showAlert"})"};
    QTest::newRow("countdown, a number with a command behind it")
        << "org.keyscript.countdown"
        << R"({"seconds":"1&exit"})"
        << QStringList{title("3"), title("2"), title("1"), title("Go!")};
    QTest::newRow("toggle, its state in the settings")
        << "org.keyscript.toggle"
        << R"({"on":"1"})"
        << QStringList{R"({"context":"k","event":"setState","payload":{"state":0}})",
                       R"({"context":"k","event":"setSettings","payload":{"on":"0"}})",
                       title("Off")};
}

void BatchExamplesTest::anySettingStaysText()
{
    QFETCH(QString, action);
    QFETCH(QString, settings);
    QFETCH(QStringList, expected);

    host->press(action, "k", settings.toUtf8());
    QTRY_COMPARE_WITH_TIMEOUT(host->messages.size(), expected.size() + 1, 20000);
    QCOMPARE(host->messages.mid(1), expected);
}

void BatchExamplesTest::argumentsAsTheDocsSay_data()
{
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("argument"); // what "%~2" holds; not compared when empty
    QTest::newRow("an ampersand") << "Tom & Jerry"
                                  << "Tom & Jerry";
    QTest::newRow("a pipe") << "a|b"
                            << "a|b";
    QTest::newRow("a trailing backslash") << "C:\\dir\\"
                                          << "C:\\dir\\";
    // Quotes stay text, but how many reach %~2 is cmd.exe's business: ZEB_ has them exact.
    QTest::newRow("quotes") << "say \"hi\" & exit"
                            << "";
}

void BatchExamplesTest::argumentsAsTheDocsSay()
{
    // The way doc/windows.md shows to take a setting, by its argument or its variable: either
    // stays text, whatever it holds.
    QFETCH(QString, value);
    QFETCH(QString, argument);
    QVERIFY(bundle->writeFile("cmd/args.bat", "@echo off\r\nsetlocal EnableDelayedExpansion\r\n"
                                              "set \"name=%~2\"\r\n"
                                              "echo setTitle !name!\r\n"
                                              "echo setTitle !ZEB_name!\r\n"));
    host->press("args", "k", QJsonDocument(QJsonObject{{"name", value}}).toJson());
    QTRY_COMPARE_WITH_TIMEOUT(host->messages.size(), 3, 20000);
    if (!argument.isEmpty())
        QCOMPARE(host->messages.at(1), title(argument));
    QCOMPARE(host->messages.at(2), title(value));
}

QTEST_GUILESS_MAIN(BatchExamplesTest)
#include "tst_batchexamples.moc"
