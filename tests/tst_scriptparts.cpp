// The pure pieces of a key press: finding the script, its arguments and environment, and
// cutting and reading the lines it prints. No processes, no sockets.
#include "runner/keyevent.h"
#include "runner/linesplitter.h"
#include "runner/scriptdirectory.h"
#include "runner/scriptheader.h"
#include "runner/scriptimage.h"
#include "runner/scriptline.h"
#include "runner/scriptlookup.h"
#include "runner/scriptsettings.h"
#include "runner/toolfolders.h"

#include <QJsonDocument>
#include <QTemporaryDir>
#include <QtTest>

#ifndef Q_OS_WIN
#include <sys/stat.h>
#endif

class ScriptPartsTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void declaredSettings_data();
    void declaredSettings();
    void intervals_data();
    void intervals();
    void toolFolders_data();
    void toolFolders();
    void parseLine_data();
    void parseLine();
    void splitLines_data();
    void splitLines();
    void scriptName_data();
    void scriptName();
    void findScript_data();
    void findScript();
    void settings_data();
    void settings();
    void eventVariables_data();
    void eventVariables();
    void image_data();
    void image();
};

void ScriptPartsTest::parseLine_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("word");
    QTest::addColumn<QString>("argument");

    QTest::newRow("inner space kept") << QByteArray("setTitle Hello World\n") << "setTitle"
                                      << "Hello World";
    QTest::newRow("no space") << QByteArray("setTitle") << "setTitle"
                              << "";
    QTest::newRow("double space starts the argument with one")
        << QByteArray("setTitle  x") << "setTitle"
        << " x";
    QTest::newRow("tab does not split") << QByteArray("setTitle\tX") << "setTitle\tX"
                                        << "";
    QTest::newRow("CR LF and outer spaces trimmed")
        << QByteArray("  setState 1  \r\n") << "setState"
        << "1";
    QTest::newRow("backslash-n becomes a line feed")
        << QByteArray("setTitle a\\nb\\n") << "setTitle"
        << "a\nb\n";
    QTest::newRow("backslash-N stays") << QByteArray("setTitle a\\Nb") << "setTitle"
                                       << "a\\Nb";
    QTest::newRow("backslash-n in the word stays") << QByteArray("set\\nTitle x") << "set\\nTitle"
                                                   << "x";
    QTest::newRow("empty line") << QByteArray("\n") << ""
                                << "";
    QTest::newRow("blank line") << QByteArray("   \t \n") << ""
                                << "";
    QTest::newRow("UTF-8") << QByteArray("setTitle Grüße ✓") << "setTitle"
                           << "Grüße ✓";
    QTest::newRow("invalid UTF-8 becomes replacement characters")
        << QByteArray("setTitle \xff") << "setTitle" << QString(QChar::ReplacementCharacter);
}

void ScriptPartsTest::parseLine()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, word);
    QFETCH(QString, argument);

    const ScriptLine line = ScriptLine::parse(bytes);
    QCOMPARE(line.word, word);
    QCOMPARE(line.argument, argument);
}

void ScriptPartsTest::splitLines_data()
{
    QTest::addColumn<QList<QByteArray>>("chunks");
    QTest::addColumn<QList<QByteArray>>("lines");
    QTest::addColumn<QByteArray>("rest");

    using Bytes = QList<QByteArray>;
    QTest::newRow("a line split across two writes is one line")
        << Bytes{"setTi", "tle X\n"} << Bytes{"setTitle X\n"} << QByteArray();
    QTest::newRow("two lines in one piece")
        << Bytes{"a\nb\n"} << Bytes{"a\n", "b\n"} << QByteArray();
    QTest::newRow("an unfinished tail waits") << Bytes{"a\nb"} << Bytes{"a\n"} << QByteArray("b");
    QTest::newRow("empty lines count") << Bytes{"\n\n"} << Bytes{"\n", "\n"} << QByteArray();
    QTest::newRow("a tail just below the bound waits")
        << Bytes{QByteArray(LineSplitter::maxPending - 1, 'x')} << Bytes{}
        << QByteArray(LineSplitter::maxPending - 1, 'x');
    const qsizetype max = LineSplitter::maxPending;
    const QByteArray filled = "setTitle " + QByteArray(max - 9, 'A');
    QTest::newRow("a tail at the bound is a line")
        << Bytes{QByteArray(max - 1, 'x'), "y"} << Bytes{QByteArray(max - 1, 'x') + 'y'}
        << QByteArray();
    QTest::newRow("a line of the bound with its line feed stays whole")
        << Bytes{QByteArray(max - 1, 'x') + '\n'} << Bytes{QByteArray(max - 1, 'x') + '\n'}
        << QByteArray();
    // The rest of an over-long line is dropped up to its line feed, never read as a command.
    QTest::newRow("the rest of a cut line is no command")
        << Bytes{filled + "switchProfile Evil\nshowAlert\n"} << Bytes{filled, "showAlert\n"}
        << QByteArray();
    QTest::newRow("the rest of a cut line, in pieces")
        << Bytes{filled, "switchProfile", " Evil", "\nshowAlert\n"} << Bytes{filled, "showAlert\n"}
        << QByteArray();
    QTest::newRow("a line three times the bound, in one piece")
        << Bytes{QByteArray(3 * max, 'x') + "\nsetTitle ok"} << Bytes{QByteArray(max, 'x')}
        << QByteArray("setTitle ok");
    QTest::newRow("cut within a UTF-8 sequence")
        << Bytes{QByteArray(max - 1, 'x') + "\xc3\xa9switchProfile Evil\n"}
        << Bytes{QByteArray(max - 1, 'x') + "\xc3"} << QByteArray();
}

void ScriptPartsTest::splitLines()
{
    QFETCH(QList<QByteArray>, chunks);
    QFETCH(QList<QByteArray>, lines);
    QFETCH(QByteArray, rest);

    LineSplitter splitter;
    QList<QByteArray> seen;
    for (const QByteArray &chunk : chunks)
        seen += splitter.feed(chunk);
    QCOMPARE(seen, lines);
    QCOMPARE(splitter.takeRest(), rest);
    QCOMPARE(splitter.takeRest(), QByteArray());
}

void ScriptPartsTest::scriptName_data()
{
    QTest::addColumn<QString>("action");
    QTest::addColumn<bool>("accepted");

    QTest::newRow("reverse-DNS") << "org.keyscript.my-action_2" << true;
    QTest::newRow("leading dots") << "..x" << true;
    QTest::newRow("empty") << "" << false;
    QTest::newRow("dot") << "." << false;
    QTest::newRow("dot dot") << ".." << false;
    QTest::newRow("parent path") << "../bin/x" << false;
    QTest::newRow("absolute") << "/usr/bin/id" << false;
    QTest::newRow("backslash") << "..\\bin\\x" << false;
    QTest::newRow("drive path") << "C:\\Windows\\system32\\calc" << false;
    QTest::newRow("NUL") << QString("a") + QChar(0) + "b" << false;
    QTest::newRow("an event script's name") << "x@willAppear" << false;
}

void ScriptPartsTest::scriptName()
{
    QFETCH(QString, action);
    QFETCH(bool, accepted);
    QCOMPARE(isScriptName(action), accepted);
}

void ScriptPartsTest::findScript_data()
{
    QTest::addColumn<QStringList>("files");
    QTest::addColumn<QString>("found"); // suffix of the script found, "-" for none

    // A name ending in "/" is a folder.
#ifdef Q_OS_WIN
    QTest::newRow(".exe first") << QStringList{"a.exe", "a.bat", "a"} << ".exe";
    QTest::newRow(".bat before bare") << QStringList{"a.bat", "a"} << ".bat";
    QTest::newRow("a folder hides no script") << QStringList{"a.exe/", "a"} << "";
    QTest::newRow(".bat before .cmd") << QStringList{"a.cmd", "a.bat"} << ".bat";
    QTest::newRow(".cmd before .ps1") << QStringList{"a.ps1", "a.cmd", "a"} << ".cmd";
    QTest::newRow(".ps1 before bare") << QStringList{"a.ps1", "a"} << ".ps1";
#else
    QTest::newRow("Windows scripts are no script here") << QStringList{"a.cmd", "a.ps1"} << "-";
    QTest::newRow("only a bare script runs here") << QStringList{"a.exe", "a.bat", "a"} << "";
    QTest::newRow("programs and batch files for Windows are no script here")
        << QStringList{"a.exe", "a.bat"} << "-";
#endif
    QTest::newRow("bare") << QStringList{"a"} << "";
    QTest::newRow("a folder is no script") << QStringList{"a/"} << "-";
    QTest::newRow("other suffixes are no script") << QStringList{"a.sh", "a.py"} << "-";
    QTest::newRow("none") << QStringList() << "-";
}

void ScriptPartsTest::findScript()
{
    QFETCH(QStringList, files);
    QFETCH(QString, found);

    QTemporaryDir dir;
    QVERIFY(QDir(dir.path()).mkpath("bin") && QDir(dir.path()).mkpath("cmd"));
    for (const QString &name : files) {
        QFile file(dir.filePath("cmd/" + name));
        QVERIFY(name.endsWith('/') ? QDir(dir.path()).mkpath("cmd/" + name)
                                   : file.open(QIODevice::WriteOnly));
    }
    const QString bin = dir.filePath("bin");
    QCOMPARE(scriptBasePath(bin, "a"), bin + "/../cmd/a");
    ScriptDirectory cmd(bin + "/../cmd");
    QCOMPARE(cmd.find("a"), found == "-" ? QString() : bin + "/../cmd/a" + found);
}

void ScriptPartsTest::settings_data()
{
    QTest::addColumn<QByteArray>("payload");
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QStringList>("variables"); // ZEB_ variables as name=value, sorted
    // What the action's scripts declare: {"defaults":{...},"secrets":[...]}
    QTest::addColumn<QByteArray>("declaredJson");

    QTest::newRow("sorted pairs") << QByteArray(R"({"settings":{"b":"2","a":"1"}})")
                                  << QStringList{"--a", "1", "--b", "2"}
                                  << QStringList{"ZEB_a=1", "ZEB_b=2"} << QByteArray();
    QTest::newRow("other values as their compact JSON, null as nothing")
        << QByteArray(R"({"settings":{"n":5,"f":1.5,"on":true,"x":null,"l":[1, "a"],"o":{}}})")
        << QStringList{"--f", "1.5", "--l",  R"([1,"a"])", "--n", "5",
                       "--o", "{}",  "--on", "true",       "--x", ""}
        << QStringList{"ZEB_f=1.5", R"(ZEB_l=[1,"a"])", "ZEB_n=5",
                       "ZEB_o={}",  "ZEB_on=true",      "ZEB_x="}
        << QByteArray();
    // A key has no value for a declared setting until its page stores one.
    QTest::newRow("declared defaults fill only what the key lacks")
        << QByteArray(R"({"settings":{"a":"mine","c":""}})")
        << QStringList{"--a", "mine", "--b", "d2", "--c", ""}
        << QStringList{"ZEB_a=mine", "ZEB_b=d2", "ZEB_c="}
        << QByteArray(R"({"defaults":{"a":"d1","b":"d2","c":"d3"}})");
    // Any local user may read a command line; the environment is the script's own.
    QTest::newRow("a secret is passed in its variable only")
        << QByteArray(R"({"settings":{"password":"hunter2","user":"me"}})")
        << QStringList{"--user", "me"} << QStringList{"ZEB_password=hunter2", "ZEB_user=me"}
        << QByteArray(R"({"secrets":["password"]})");
    QTest::newRow("and so is a secret's default")
        << QByteArray(R"({"settings":{}})") << QStringList() << QStringList{"ZEB_token=t0"}
        << QByteArray(R"({"defaults":{"token":"t0"},"secrets":["token"]})");
    QTest::newRow("no settings") << QByteArray(R"({"other":1})") << QStringList() << QStringList()
                                 << QByteArray();
    QTest::newRow("settings not an object") << QByteArray(R"({"settings":["a","b"]})")
                                            << QStringList() << QStringList() << QByteArray();
    // Too large for one argument (128 KiB on Linux, less on Windows): the script starts without
    // it rather than not at all.
    QTest::newRow("a value too large to pass is left out")
        << QByteArray(R"({"settings":{"big":")" + QByteArray(140000, 'x') + R"(","s":"v"}})")
        << QStringList{"--s", "v"} << QStringList{"ZEB_s=v"} << QByteArray();
#ifndef Q_OS_WIN
    // Linux takes all arguments and variables together within 2 MiB: of seven settings of 30 KB
    // (each passed twice), the largest goes.
    QByteArray many = "{";
    QStringList manyArguments, manyVariables;
    for (char key = 'a'; key <= 'g'; ++key) {
        const QString value(30000 + key - 'a', QLatin1Char(key));
        many +=
            QByteArray(many.size() > 1 ? "," : "") + '"' + key + "\":\"" + value.toLatin1() + '"';
        if (key == 'g')
            continue;
        manyArguments << QStringLiteral("--") + QLatin1Char(key) << value;
        manyVariables << QStringLiteral("ZEB_") + QLatin1Char(key) + '=' + value;
    }
    QTest::newRow("the largest go until the rest fit together")
        << QByteArray(R"({"settings":)" + many + "}}") << manyArguments << manyVariables
        << QByteArray();
#endif
    QTest::newRow("values with spaces, quotes and line feeds")
        << QByteArray(R"({"settings":{"t":"a \"b\"\nc"}})") << QStringList{"--t", "a \"b\"\nc"}
        << QStringList{"ZEB_t=a \"b\"\nc"} << QByteArray();
}

void ScriptPartsTest::settings()
{
    QFETCH(QByteArray, payload);
    QFETCH(QStringList, arguments);
    QFETCH(QStringList, variables);
    QFETCH(QByteArray, declaredJson);

    QProcessEnvironment base;
    base.insert("PATH", "/bin");
    const QJsonObject declaredObject = QJsonDocument::fromJson(declaredJson).object();
    ScriptSettings::Declared declared;
    declared.defaults = declaredObject["defaults"].toObject();
    for (const QJsonValue &name : declaredObject["secrets"].toArray())
        declared.secrets << name.toString();
    const ScriptSettings result =
        ScriptSettings::fromPayload(QJsonDocument::fromJson(payload).object(), base, declared);
    QCOMPARE(result.arguments, arguments);
    QStringList zeb = result.environment.toStringList().filter(QRegularExpression("^ZEB_"));
    zeb.sort();
    QCOMPARE(zeb, variables);
    QCOMPARE(result.environment.value("PATH"), QString("/bin"));
}

void ScriptPartsTest::eventVariables_data()
{
    QTest::addColumn<QByteArray>("payload");
    QTest::addColumn<QStringList>("variables"); // beyond EVENT, ACTION, CONTEXT and DEVICE

    QTest::newRow("no payload") << QByteArray("{}") << QStringList{"KEYSCRIPT_SETTINGS={}"};
    QTest::newRow("settings as compact JSON, keys in order")
        << QByteArray(R"({"settings":{"b":[1, 2.5],"a":{"x":true}}})")
        << QStringList{R"(KEYSCRIPT_SETTINGS={"a":{"x":true},"b":[1,2.5]})"};
    QTest::newRow("settings that are no object")
        << QByteArray(R"({"settings":"x"})") << QStringList{"KEYSCRIPT_SETTINGS={}"};
    QTest::newRow("state and coordinates as numbers")
        << QByteArray(R"({"state":1,"coordinates":{"column":3,"row":0}})")
        << QStringList{"KEYSCRIPT_COLUMN=3", "KEYSCRIPT_ROW=0", "KEYSCRIPT_SETTINGS={}",
                       "KEYSCRIPT_STATE=1"};
    QTest::newRow("state and coordinates that are no numbers")
        << QByteArray(R"({"state":"1","coordinates":{"column":null},"row":2})")
        << QStringList{"KEYSCRIPT_SETTINGS={}"};
    // From inside a multi-action, the state the user chose for the step, and the controller.
    QTest::newRow("a step of a multi-action")
        << QByteArray(R"({"isInMultiAction":true,"state":0,"userDesiredState":1,)"
                      R"("controller":"Keypad"})")
        << QStringList{"KEYSCRIPT_CONTROLLER=Keypad", "KEYSCRIPT_DESIRED_STATE=1",
                       "KEYSCRIPT_IN_MULTI_ACTION=1", "KEYSCRIPT_SETTINGS={}", "KEYSCRIPT_STATE=0"};
    QTest::newRow("not in a multi-action, no controller named")
        << QByteArray(R"({"isInMultiAction":false,"controller":""})")
        << QStringList{"KEYSCRIPT_SETTINGS={}"};
    QTest::newRow("a fraction and a huge number")
        << QByteArray(R"({"state":1.5,"coordinates":{"column":1e300}})")
        << QStringList{"KEYSCRIPT_SETTINGS={}", "KEYSCRIPT_STATE=1"};
#ifndef Q_OS_WIN
    // Each ZEB_ variable alone is well within what Linux allows, their JSON together is not.
    // (On Windows the settings a command line holds always fit one variable.)
    QTest::newRow("settings too large for one variable are left out")
        << QByteArray(R"({"settings":{"a":")" + QByteArray(20000, 'x') + R"(","b":")" +
                      QByteArray(120000, 'y') + R"("}})")
        << QStringList();
#endif
}

void ScriptPartsTest::eventVariables()
{
    QFETCH(QByteArray, payload);
    QFETCH(QStringList, variables);

    // The plugin's own KEYSCRIPT_ variables never reach a script, in any letter case.
    QProcessEnvironment base;
    base.insert("PATH", "/bin");
    base.insert("KEYSCRIPT_STATE", "stale");
    base.insert("keyscript_other", "stale");
    // Nor do settings exported while trying a script by hand.
    base.insert("ZEB_stale", "stale");
    base.insert("zeb_other", "stale");
    const KeyEvent event{"keyUp", "act", "ctx", "dev", QJsonDocument::fromJson(payload).object()};
    const ScriptSettings settings =
        ScriptSettings::forEvent(event, base, QJsonObject{{"token", "t"}, {"n", 1}});
    QVERIFY(!settings.environment.contains("ZEB_stale"));
    QVERIFY(!settings.environment.contains("zeb_other"));
    QCOMPARE(settings.settingsLeftOut > 0, variables.filter("KEYSCRIPT_SETTINGS=").isEmpty());
    QStringList seen = settings.environment.toStringList().filter(
        QRegularExpression("^keyscript_", QRegularExpression::CaseInsensitiveOption));
    seen.sort();
    QStringList expected =
        variables + QStringList{"KEYSCRIPT_ACTION=act", "KEYSCRIPT_CONTEXT=ctx",
                                "KEYSCRIPT_DEVICE=dev", "KEYSCRIPT_EVENT=keyUp",
                                R"(KEYSCRIPT_GLOBAL_SETTINGS={"n":1,"token":"t"})"};
    expected.sort();
    QCOMPARE(seen, expected);
}

void ScriptPartsTest::image_data()
{
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("image"); // what is sent; "-" for nothing
    QTest::addColumn<QString>("error");

    QTest::newRow("nothing: the key's own image") << ""
                                                  << ""
                                                  << "";
    QTest::newRow("a data URI as it is") << "data:image/jpeg;base64,/9j/"
                                         << "data:image/jpeg;base64,/9j/"
                                         << "";
    QTest::newRow("inline SVG") << "<svg><text>Hi</text></svg>"
                                << "data:image/svg+xml;base64,PHN2Zz48dGV4dD5IaTwvdGV4dD48L3N2Zz4="
                                << "";
    QTest::newRow("a PNG beside the script") << "dot.png"
                                             << "data:image/png;base64,iVBORw=="
                                             << "";
    QTest::newRow("a JPEG in a folder, suffix in capitals") << "pics/photo.JPEG"
                                                            << "data:image/jpeg;base64,/9j/4A=="
                                                            << "";
    QTest::newRow("WEBP") << "a.webp"
                          << "data:image/webp;base64,UklGRg=="
                          << "";
    QTest::newRow("GIF: the host draws none")
        << "a.gif"
        << "-"
        << "a GIF: the host draws no animated or GIF pictures on a key; use .png, .jpg, .webp or "
           ".svg";
    QTest::newRow("BMP: the host draws none")
        << "a.bmp"
        << "-"
        << "a BMP: the host does not draw it; use .png, .jpg, .webp or .svg";
    QTest::newRow("SVG file") << "a.svg"
                              << "data:image/svg+xml;base64,PHN2Zy8+"
                              << "";
    QTest::newRow("missing") << "none.png"
                             << "-"
                             << "no such file";
    QTest::newRow("too large") << "big.png"
                               << "-"
                               << "larger than 1 MiB";
    QTest::newRow("another type") << "notes.txt"
                                  << "-"
                                  << "not a .png, .jpg, .jpeg, .webp or .svg file";
    QTest::newRow("a folder") << "pics.png"
                              << "-"
                              << "not a file";
#ifndef Q_OS_WIN
    // Opening it would wait for a writer, and the plugin with it.
    QTest::newRow("a FIFO") << "fifo.png"
                            << "-"
                            << "not a file";
#endif
}

void ScriptPartsTest::image()
{
    QFETCH(QString, value);
    QFETCH(QString, image);
    QFETCH(QString, error);

    QTemporaryDir dir;
    const QDir cmd(dir.path());
    QVERIFY(cmd.mkpath("pics") && cmd.mkpath("pics.png"));
    const QList<QPair<QString, QByteArray>> files{
        {"dot.png", QByteArray::fromBase64("iVBORw==")},
        {"pics/photo.JPEG", QByteArray::fromBase64("/9j/4A==")},
        {"a.gif", "GIF"},
        {"a.bmp", "BM"},
        {"a.webp", "RIFF"},
        {"a.svg", "<svg/>"},
        {"notes.txt", "text"},
        {"big.png", QByteArray(ScriptImage::maxFileSize + 1, 'x')}};
    for (const auto &[name, bytes] : files) {
        QFile file(cmd.filePath(name));
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
    }
#ifndef Q_OS_WIN
    QVERIFY(::mkfifo(QFile::encodeName(cmd.filePath("fifo.png")).constData(), 0600) == 0);
#endif
    const ScriptImage result = ScriptImage::fromValue(value, dir.path());
    QCOMPARE(result.error, error);
    QCOMPARE(result.image, image == "-" ? QString() : image);
}

void ScriptPartsTest::declaredSettings_data()
{
    QTest::addColumn<QString>("text");     // after "keyscript setting:"
    QTest::addColumn<QString>("declared"); // as the page is sent it; empty when refused
    QTest::addColumn<QString>("error");    // how the refusal begins

    QTest::newRow("text, by default")
        << R"(url "Address to open")"
        << R"({"default":"","kind":"text","label":"Address to open","name":"url"})"
        << "";
    QTest::newRow("a number and its default")
        << R"(count number "Start at" 0)"
        << R"({"default":"0","kind":"number","label":"Start at","name":"count"})"
        << "";
    QTest::newRow("a choice")
        << R"(mode choice fast|slow "Speed" slow)"
        << R"({"choices":["fast","slow"],"default":"slow","kind":"choice","label":"Speed","name":"mode"})"
        << "";
    QTest::newRow("a secret, a quoted default with spaces")
        << R"(token secret "API token" "a b")"
        << R"({"default":"a b","kind":"secret","label":"API token","name":"token"})"
        << "";
    QTest::newRow("a checkbox")
        << R"(loud checkbox "Loud" true)"
        << R"({"default":"true","kind":"checkbox","label":"Loud","name":"loud"})"
        << "";
    QTest::newRow("no label") << "url"
                              << ""
                              << "\"keyscript setting:\" is a name";
    QTest::newRow("one choice is none") << R"(mode choice fast "Speed")"
                                        << ""
                                        << "the choice \"mode\" needs two choices";
    QTest::newRow("choices for text") << R"(url text a|b "Address")"
                                      << ""
                                      << "only a choice has choices";
    QTest::newRow("a default that is no number") << R"(count number "Start at" ten)"
                                                 << ""
                                                 << "the default of \"count\" is no number";
    QTest::newRow("a default that is no choice") << R"(mode choice a|b "Mode" c)"
                                                 << ""
                                                 << "the default of \"mode\" is no choice";
}

void ScriptPartsTest::declaredSettings()
{
    QFETCH(QString, text);
    QFETCH(QString, declared);
    QFETCH(QString, error);
    QString why;
    const std::optional<DeclaredSetting> setting = DeclaredSetting::parse(text, &why);
    QCOMPARE(setting.has_value(), !declared.isEmpty());
    if (setting)
        QCOMPARE(QJsonDocument(setting->toJson()).toJson(QJsonDocument::Compact),
                 declared.toUtf8());
    else
        QVERIFY2(why.startsWith(error), qPrintable(why));
    // Many in one header, each in the order given.
    if (setting) {
        const ScriptHeader header =
            ScriptHeader::read("#!/bin/sh\n# keyscript setting: " + text.toUtf8() +
                               "\n# keyscript setting: x \"X\"\n");
        QCOMPARE(header.settings.size(), 2);
        QCOMPARE(header.settings.at(0).name, setting->name);
    }
}

void ScriptPartsTest::intervals_data()
{
    QTest::addColumn<QString>("value");
    QTest::addColumn<qint64>("ms"); // -1: refused
    QTest::newRow("seconds") << "5s" << qint64(5000);
    QTest::newRow("milliseconds") << "500ms" << qint64(500);
    QTest::newRow("minutes, a space before the unit") << "1 m" << qint64(60000);
    QTest::newRow("the least there is") << "250ms" << qint64(250);
    QTest::newRow("more often than that") << "249ms" << qint64(-1);
    QTest::newRow("no unit") << "5" << qint64(-1);
    QTest::newRow("hours are no unit") << "1h" << qint64(-1);
    QTest::newRow("negative") << "-5s" << qint64(-1);
    QTest::newRow("a fraction") << "1.5s" << qint64(-1);
}

void ScriptPartsTest::intervals()
{
    QFETCH(QString, value);
    QFETCH(qint64, ms);
    QCOMPARE(ScriptHeader::intervalMs(value), ms);
}

void ScriptPartsTest::toolFolders_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("etcPaths");
    QTest::addColumn<QStringList>("etcPathsD");
    QTest::addColumn<QStringList>("existing");
    QTest::addColumn<QString>("expected");

    const QString bare = "/usr/bin:/bin:/usr/sbin:/sbin";
    QTest::newRow("a bare PATH gains the tool folders that exist")
        << bare << "/usr/local/bin\n/usr/bin\n/bin\n"
        << QStringList() << QStringList{"/opt/homebrew/bin", "/usr/local/bin", "/usr/bin", "/bin"}
        << bare + ":/opt/homebrew/bin:/usr/local/bin";
    QTest::newRow("never a folder twice, a trailing slash or all")
        << "/opt/homebrew/bin/:/usr/bin"
        << "/usr/local/bin/\n"
        << QStringList() << QStringList{"/opt/homebrew/bin", "/usr/local/bin"}
        << "/opt/homebrew/bin/:/usr/bin:/usr/local/bin";
    QTest::newRow("paths.d in its order; comments and blank lines are none")
        << bare << "" << QStringList{"/Library/TeX/texbin\n", "# mine\n\n  /opt/x  \n"}
        << QStringList{"/Library/TeX/texbin", "/opt/x"} << bare + ":/Library/TeX/texbin:/opt/x";
    QTest::newRow("none that does not exist") << bare << "/nowhere\n"
                                              << QStringList() << QStringList() << bare;
    QTest::newRow("an empty PATH")
        << ""
        << "" << QStringList() << QStringList{"/usr/local/bin"} << "/usr/local/bin";
}

void ScriptPartsTest::toolFolders()
{
    QFETCH(QString, path);
    QFETCH(QString, etcPaths);
    QFETCH(QStringList, etcPathsD);
    QFETCH(QStringList, existing);
    QFETCH(QString, expected);
    QCOMPARE(
        withToolFolders(path, usualToolFolders(etcPaths, etcPathsD),
                        [&existing](const QString &folder) { return existing.contains(folder); }),
        expected);
}

QTEST_GUILESS_MAIN(ScriptPartsTest)
#include "tst_scriptparts.moc"
