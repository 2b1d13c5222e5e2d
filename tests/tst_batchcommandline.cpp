// The command line for batch scripts on Windows, built and checked on every platform: what
// cmd.exe receives must hold each setting as one argument and never as a command or variable.
#include "runner/batchcommandline.h"

#include <QtTest>

class BatchCommandLineTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void commandLine_data();
    void commandLine();
    void refused_data();
    void refused();
};

void BatchCommandLineTest::commandLine_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("expected"); // after /d /e:ON /v:OFF /c ""C:\k\cmd\a.bat"
    QTest::addColumn<QString>("why");

    QTest::newRow("no arguments") << QStringList() << R"()"
                                  << "nothing to quote";
    QTest::newRow("plain values stay as they were")
        << QStringList{"--name", "Ada", "--n", "1.5"} << R"( --name Ada --n 1.5)"
        << "reach %1.. unquoted, as QProcess passes them";
    QTest::newRow("safe punctuation")
        << QStringList{"C:/x.y", "a@b:c", "#$*+?_"} << R"( C:/x.y a@b:c #$*+?_)"
        << "no meaning to cmd.exe";
    QTest::newRow("non-ASCII letters") << QStringList{"Grüße"} << R"( Grüße)"
                                       << "not special to cmd.exe";
    QTest::newRow("spaces") << QStringList{"a b"} << R"( "a b")"
                            << "quoted, as QProcess does";
    QTest::newRow("empty") << QStringList{""} << R"( "")"
                           << "an empty argument keeps its place";
    QTest::newRow("a quote then a command") << QStringList{"\"&calc.exe"} << R"( """&calc.exe")"
                                            << "the doubled quote keeps & inside the quotes";
    QTest::newRow("a variable cut to a quote")
        << QStringList{"%CMDCMDLINE:~-1%&calc.exe"}
        << R"( "%%cd:~,%CMDCMDLINE:~-1%%cd:~,%&calc.exe")"
        << "no % can pair up: %cd:~,% expands to nothing between them";
    QTest::newRow("a plain variable") << QStringList{"%PATH%"} << R"( "%%cd:~,%PATH%%cd:~,%")"
                                      << "the value stays %PATH%, not the path";
    QTest::newRow("command separators") << QStringList{"a&b", "a|b", "a>b", "a<b", "(a)", "a^b"}
                                        << R"x( "a&b" "a|b" "a>b" "a<b" "(a)" "a^b")x"
                                        << "inside quotes they are text";
    QTest::newRow("delayed expansion") << QStringList{"!PATH!"} << R"( "!PATH!")"
                                       << "/v:OFF, and quoted";
    QTest::newRow("a trailing backslash") << QStringList{"C:\\dir\\"} << R"( "C:\dir\")"
                                          << "cmd.exe reads no escape in it: %~1 is C:\\dir\\";
    QTest::newRow("backslashes before a quote") << QStringList{"a\\\"b"} << R"( "a\""b")"
                                                << "the quote doubled, the backslash as it is";
    QTest::newRow("backslashes elsewhere") << QStringList{"C:\\a\\b"} << R"( C:\a\b)"
                                           << "a backslash not before a quote is plain";
    QTest::newRow("a tab") << QStringList{"a\tb"} << " \"a\tb\""
                           << "control characters quoted";
}

void BatchCommandLineTest::commandLine()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, expected);
    QFETCH(QString, why);

    const std::optional<QString> line = batchCommandLine(R"(C:\k\cmd\a.bat)", arguments);
    QVERIFY(line);
    QVERIFY2(*line == R"(/d /e:ON /v:OFF /c ""C:\k\cmd\a.bat")" + expected + '"',
             qPrintable(*line + " -- " + why));
}

void BatchCommandLineTest::refused_data()
{
    QTest::addColumn<QString>("script");
    QTest::addColumn<QStringList>("arguments");

    QTest::newRow("line feed") << "a.bat" << QStringList{"a\nb"};
    QTest::newRow("carriage return") << "a.bat" << QStringList{"ok", "a\rcalc.exe"};
    QTest::newRow("NUL") << "a.bat" << QStringList{QString("a") + QChar(0) + "b"};
}

void BatchCommandLineTest::refused()
{
    QFETCH(QString, script);
    QFETCH(QStringList, arguments);
    QVERIFY(!batchCommandLine(script, arguments));
}

QTEST_GUILESS_MAIN(BatchCommandLineTest)
#include "tst_batchcommandline.moc"
