// A dial's events end to end: what its scripts are told, turns added up while its script runs,
// and the touch strip's commands a script prints.
#include "support/bundle.h"
#include "support/standinhost.h"

#include <QtTest>

#include <memory>

namespace {
// An event of the dial "d" at context "k1", as the host sends it.
QString dialEvent(const QString &event, const QString &payload)
{
    return QStringLiteral(R"({"action":"d","context":"k1","device":"dev","event":"%1",)"
                          R"("payload":{"controller":"Encoder","settings":{},%2}})")
        .arg(event, payload);
}

QString title(const QString &text)
{
    return QStringLiteral(
               R"({"context":"k1","event":"setTitle","payload":{"target":0,"title":"%1"}})")
        .arg(text);
}
} // namespace

class DialsTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();
    void whatScriptsAreTold_data();
    void whatScriptsAreTold();
    void turnsWhileAScriptRunsAddUp();
    void tickSumsAtTheLimits_data();
    void tickSumsAtTheLimits();
    void stripCommands_data();
    void stripCommands();

private:
    QStringList sent() const { return host->messages.mid(1); }
    std::unique_ptr<StandInHost> host;
    std::unique_ptr<Bundle> bundle;
    std::unique_ptr<PluginProcess> plugin;
};

void DialsTest::init()
{
    SKIP_WITHOUT_SH("the dial's scripts are sh scripts");
    host = std::make_unique<StandInHost>();
    bundle = std::make_unique<Bundle>();
    plugin = std::make_unique<PluginProcess>();
    QVERIFY(bundle->isValid());
    bundle->start(*plugin, host->port());
    QTRY_COMPARE_WITH_TIMEOUT(host->messages.size(), 1, 10000);
}

void DialsTest::cleanup()
{
    plugin.reset();
    bundle.reset();
    host.reset();
}

void DialsTest::whatScriptsAreTold_data()
{
    QTest::addColumn<QString>("event");
    QTest::addColumn<QString>("payload");
    QTest::addColumn<QString>("told"); // what its script prints of its variables

    QTest::newRow("a turn clockwise, held down") << "dialRotate"
                                                 << R"("ticks":3,"pressed":true)"
                                                 << "dialRotate Encoder 3 1";
    QTest::newRow("a turn back") << "dialRotate"
                                 << R"("ticks":-2,"pressed":false)"
                                 << "dialRotate Encoder -2 0";
    QTest::newRow("a push") << "dialDown"
                            << R"("coordinates":{"column":1,"row":0})"
                            << "dialDown Encoder - -";
    QTest::newRow("let go") << "dialUp"
                            << R"("coordinates":{"column":1,"row":0})"
                            << "dialUp Encoder - -";
    QTest::newRow("a tap") << "touchTap"
                           << R"("tapPos":[150,40],"hold":false)"
                           << "touchTap Encoder 150,40 0";
    QTest::newRow("a long touch") << "touchTap"
                                  << R"("tapPos":[3,99],"hold":true)"
                                  << "touchTap Encoder 3,99 1";
}

void DialsTest::whatScriptsAreTold()
{
    QFETCH(QString, event);
    QFETCH(QString, payload);
    QFETCH(QString, told);
    // Turns say their ticks and whether the dial is held; taps where they were and how long.
    const QByteArray script =
        event == "dialRotate" ? "echo \"setTitle $KEYSCRIPT_EVENT $KEYSCRIPT_CONTROLLER "
                                "$KEYSCRIPT_TICKS $KEYSCRIPT_PRESSED\"\n"
        : event == "touchTap" ? "echo \"setTitle $KEYSCRIPT_EVENT $KEYSCRIPT_CONTROLLER "
                                "$KEYSCRIPT_TAP_X,$KEYSCRIPT_TAP_Y $KEYSCRIPT_HOLD\"\n"
                              : "echo \"setTitle $KEYSCRIPT_EVENT $KEYSCRIPT_CONTROLLER "
                                "${KEYSCRIPT_TICKS:--} ${KEYSCRIPT_PRESSED:--}\"\n";
    QVERIFY(bundle->writeScript("d@" + event, script, "rem\n"));
    QVERIFY(host->sendText(dialEvent(event, payload)));
    QTRY_COMPARE(sent(), QStringList{title(told)});
}

void DialsTest::turnsWhileAScriptRunsAddUp()
{
    // The first turn's script runs a while; the turns after it wait and become one, a push
    // keeps its place between them, and no tick is lost.
    QVERIFY(bundle->writeScript("d@dialRotate", "echo \"setTitle $KEYSCRIPT_TICKS\"\nsleep 0.4\n",
                                "rem\n"));
    QVERIFY(bundle->writeScript("d@dialDown", "echo 'setTitle down'\n", "rem\n"));
    QVERIFY(bundle->writeFile("work/log.txt", ""));
    for (const auto &[event, payload] :
         QList<QPair<QString, QString>>{{"dialRotate", R"("ticks":1)"},
                                        {"dialRotate", R"("ticks":2)"},
                                        {"dialRotate", R"("ticks":3)"},
                                        {"dialDown", R"("coordinates":{})"},
                                        {"dialRotate", R"("ticks":-1)"},
                                        {"dialRotate", R"("ticks":5)"}})
        QVERIFY(host->sendText(dialEvent(event, payload)));
    QTRY_COMPARE_WITH_TIMEOUT(
        sent(), (QStringList{title("1"), title("5"), title("down"), title("4")}), 10000);
    QTest::qWait(600);
    QCOMPARE(sent().size(), 4);
    QCOMPARE(bundle->logLines().filter(QRegularExpression("^run .*@dialRotate")).size(), 3);
}

void DialsTest::tickSumsAtTheLimits_data()
{
    QTest::addColumn<QStringList>("ticks"); // after a first turn of 1, whose script runs a while
    QTest::addColumn<QString>("told");      // to the second run
    QTest::newRow("past the top") << QStringList{"2147483647", "1"} << "2147483647";
    QTest::newRow("past the bottom") << QStringList{"-2147483648", "-1"} << "-2147483648";
    QTest::newRow("a number past the range") << QStringList{"3e9", "1"} << "2147483647";
    QTest::newRow("no whole number is dropped") << QStringList{"1.5", "1.5", "2"} << "2";
    QTest::newRow("no number is dropped") << QStringList{"\"7\"", "3"} << "3";
    QTest::newRow("one turn past the range") << QStringList{"wait", "-5e9"} << "-2147483648";
}

void DialsTest::tickSumsAtTheLimits()
{
    QFETCH(QStringList, ticks);
    QFETCH(QString, told);
    QVERIFY(bundle->writeScript("d@dialRotate", "echo \"setTitle $KEYSCRIPT_TICKS\"\nsleep 0.4\n",
                                "rem\n"));
    QVERIFY(host->sendText(dialEvent("dialRotate", R"("ticks":1)")));
    for (const QString &tick : ticks) {
        if (tick == "wait") // until the first run has ended: the next turn is not summed
            QTest::qWait(1000);
        else
            QVERIFY(host->sendText(dialEvent("dialRotate", R"("ticks":)" + tick)));
    }
    QTRY_COMPARE_WITH_TIMEOUT(sent(), (QStringList{title("1"), title(told)}), 10000);
}

void DialsTest::stripCommands_data()
{
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<QString>("message"); // none when the line is refused

    QTest::newRow("values for the layout's items")
        << QByteArray(R"(setFeedback {"title":"Volume","value":"42%","indicator":{"value":42}})")
        << R"({"context":"k1","event":"setFeedback","payload":{"indicator":{"value":42},)"
           R"("title":"Volume","value":"42%"}})";
    QTest::newRow("feedback that is no object") << QByteArray("setFeedback [1,2]") << "";
    QTest::newRow("a built-in layout")
        << QByteArray("setFeedbackLayout $B1")
        << R"({"context":"k1","event":"setFeedbackLayout","payload":{"layout":"$B1"}})";
    QTest::newRow("a layout file")
        << QByteArray(R"(setFeedbackLayout layouts\volume.json)")
        << R"({"context":"k1","event":"setFeedbackLayout","payload":{"layout":"layouts\\volume.json"}})";
    // The host reads layouts inside the plugin's folder only.
    QTest::newRow("a layout file outside the plugin's folder")
        << QByteArray(R"(setFeedbackLayout ../../../x.json)") << "";
    QTest::newRow("one by a Windows path") << QByteArray(R"(setFeedbackLayout ..\..\x.json)") << "";
    QTest::newRow("one by an absolute path")
        << QByteArray(R"(setFeedbackLayout /etc/x.json)") << "";
    QTest::newRow("the words for its gestures")
        << QByteArray(R"(setTriggerDescription {"rotate":"Volume","push":"Mute"})")
        << R"({"context":"k1","event":"setTriggerDescription","payload":{"push":"Mute",)"
           R"("rotate":"Volume"}})";
    QTest::newRow("words that are no object") << QByteArray("setTriggerDescription rotate") << "";
}

void DialsTest::stripCommands()
{
    QFETCH(QByteArray, line);
    QFETCH(QString, message);
    QFile file(bundle->cmdDir() + "/d@dialDown");
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("#!/bin/sh\ncat <<'EOF'\n" + line + "\nEOF\necho 'setTitle end'\n");
    file.close();
    QVERIFY(file.setPermissions(QFile::ReadOwner | QFile::ExeOwner));
    QVERIFY(host->sendText(dialEvent("dialDown", R"("coordinates":{})")));
    QTRY_VERIFY(sent().contains(title("end")));
    const QStringList expected =
        message.isEmpty() ? QStringList{title("end")} : QStringList{message, title("end")};
    QCOMPARE(sent(), expected);
}

QTEST_GUILESS_MAIN(DialsTest)
#include "tst_dials.moc"
