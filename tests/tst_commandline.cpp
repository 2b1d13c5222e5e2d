// The launch arguments, as the host passes them to the real executable.
#include "support/bundle.h"
#include "support/standinhost.h"

#include <QtTest>

class CommandLineTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void connects_data();
    void connects();
    void staysUpUnconnected_data();
    void staysUpUnconnected();
    void help_data();
    void help();
};

namespace {
// "%PORT%" in an argument stands for the stand-in host's port.
QStringList withPort(QStringList arguments, quint16 port)
{
    arguments.replaceInStrings(QStringLiteral("%PORT%"), QString::number(port));
    return arguments;
}
} // namespace

void CommandLineTest::connects_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("registration");

    QTest::newRow("the host's form")
        << QStringList{"-port",          "%PORT%", "-pluginUUID", "U",
                       "-registerEvent", "E",      "-info",       R"({"application":{}})"}
        << R"({"event":"E","uuid":"U"})";
    QTest::newRow("-port=N")
        << QStringList{"-port=%PORT%", "-pluginUUID", "U", "-registerEvent", "E", "-info", "T"}
        << R"({"event":"E","uuid":"U"})";
    QTest::newRow("an option given twice takes the last value")
        << QStringList{"-port",       "1",      "-pluginUUID",    "first", "-port", "%PORT%",
                       "-pluginUUID", "second", "-registerEvent", "E",     "-info", "T"}
        << R"({"event":"E","uuid":"second"})";
    QTest::newRow("values with spaces and quotes")
        << QStringList{"-port",          "%PORT%",          "-pluginUUID", "a \"b\" c",
                       "-registerEvent", "register Plugin", "-info",       "T"}
        << R"({"event":"register Plugin","uuid":"a \"b\" c"})";
    // A newer host may pass more: the plugin registers all the same.
    QTest::newRow("an unknown option with a value")
        << QStringList{"-port", "%PORT%",         "-future", "1",     "-pluginUUID",
                       "U",     "-registerEvent", "E",       "-info", "T"}
        << R"({"event":"E","uuid":"U"})";
    QTest::newRow("unknown options without values")
        << QStringList{"-foo",           "-port", "%PORT%", "-pluginUUID", "U",
                       "-registerEvent", "E",     "-info",  "T",           "--bar"}
        << R"({"event":"E","uuid":"U"})";
}

void CommandLineTest::connects()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, registration);

    StandInHost host;
    Bundle bundle;
    QVERIFY(bundle.isValid());
    PluginProcess plugin;
    bundle.startWith(plugin, withPort(arguments, host.port()));
    QTRY_COMPARE(host.messages, QStringList{registration});
}

void CommandLineTest::staysUpUnconnected_data()
{
    QTest::addColumn<QStringList>("arguments");

    QTest::newRow("no arguments") << QStringList();
    QTest::newRow("-port abc gives port 0")
        << QStringList{"-port", "abc", "-pluginUUID", "U", "-registerEvent", "E", "-info", "T"};
    QTest::newRow("no info") << QStringList{"-port", "%PORT%",         "-pluginUUID",
                                            "U",     "-registerEvent", "E"};
    QTest::newRow("empty uuid") << QStringList{"-port",          "%PORT%", "-pluginUUID", "",
                                               "-registerEvent", "E",      "-info",       "T"};
}

void CommandLineTest::staysUpUnconnected()
{
    QFETCH(QStringList, arguments);

    StandInHost host;
    Bundle bundle;
    QVERIFY(bundle.isValid());
    PluginProcess plugin;
    bundle.startWith(plugin, withPort(arguments, host.port()));
    QVERIFY(plugin.waitForStarted());
    QTest::qWait(300);
    QCOMPARE(plugin.state(), QProcess::Running);
    QCOMPARE(host.connections, 0);
}

void CommandLineTest::help_data()
{
    QTest::addColumn<QString>("option");
    QTest::newRow("-h") << "-h";
    QTest::newRow("-help") << "-help";
#ifdef Q_OS_WIN
    QTest::newRow("-?") << "-?"; // Qt's parser knows it on Windows only
#endif
}

void CommandLineTest::help()
{
    QFETCH(QString, option);

    Bundle bundle;
    QVERIFY(bundle.isValid());
    PluginProcess plugin;
    bundle.startWith(plugin, {option});
    QVERIFY(plugin.waitForFinished());
    QCOMPARE(plugin.exitStatus(), QProcess::NormalExit);
    QCOMPARE(plugin.exitCode(), 0);

    // Each launch option with its value name and nothing after it.
    const QString usage = QString::fromLocal8Bit(plugin.readAllStandardOutput());
    for (const char *name : {"port", "pluginUUID", "registerEvent", "info"}) {
        const QString entry = QStringLiteral("-%1 <%1>").arg(QLatin1String(name));
        const qsizetype at = usage.indexOf(entry);
        QVERIFY2(at >= 0, qPrintable(usage));
        const QString rest = usage.mid(at + entry.size()).section(QLatin1Char('\n'), 0, 0);
        QVERIFY2(rest.trimmed().isEmpty(), qPrintable(usage));
    }
}

QTEST_GUILESS_MAIN(CommandLineTest)
#include "tst_commandline.moc"
