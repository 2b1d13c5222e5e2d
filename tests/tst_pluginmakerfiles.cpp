// "keyscript-host plugin" copies only what is the author's, and its output never grows, eats
// itself or comes out broken: links, special files, plugin folders, runs in the scripts' own
// folder, two runs at once and what earlier runs left.
#include "plugin/ziparchive.h"
#include "support/authorfolder.h"
#include "support/bundle.h"

#include <QtTest>

#ifndef Q_OS_WIN
#include <sys/stat.h>
#endif

class PluginMakerFilesTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void onlyTheAuthorsFiles_data();
    void onlyTheAuthorsFiles();
    void madeInTheScriptsFolderTwice();
    void twoRunsAtOnce();
    void leftoversOfEarlierRuns_data();
    void leftoversOfEarlierRuns();
    void placedActionsStay_data();
    void placedActionsStay();
    void linkedScripts_data();
    void linkedScripts();
    void fromAnInstallerFile_data();
    void fromAnInstallerFile();
    void packedAsAnInstallerFile();

private:
    Bundle bundle;
    QString host;
};

void PluginMakerFilesTest::initTestCase()
{
    SKIP_WITHOUT_SH("the folders hold sh scripts, links and FIFOs");
    QVERIFY(bundle.isValid());
    host = bundle.addHost();
    QVERIFY(!host.isEmpty());
}

void PluginMakerFilesTest::onlyTheAuthorsFiles_data()
{
    // $OUTSIDE is a folder beside the scripts holding "secret"; $KEYS is the scripts' folder.
    QTest::addColumn<QStringList>("files");
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("said");         // on standard error
    QTest::addColumn<QStringList>("inPlugin"); // the made folder's cmd/

    const QStringList none;
    const QStringList script{"x com.me.keys.a"};
    QTest::newRow("a link out of the folder")
        << script + QStringList{"l etc|$OUTSIDE"} << none
        << "etc (a link to $OUTSIDE, outside the scripts' folder; --follow-links copies it)"
        << QStringList{"com.me.keys.a"};
    QTest::newRow("a key picture linked from outside")
        << script + QStringList{"l com.me.keys.a.png|$OUTSIDE/secret"} << none
        << "com.me.keys.a.png (a link to $OUTSIDE/secret, outside" << QStringList{"com.me.keys.a"};
    QTest::newRow("links inside are followed")
        << script + QStringList{"- lib/words.txt|hi", "l data|lib", "l com.me.keys.b|com.me.keys.a"}
        << none << ""
        << QStringList{"com.me.keys.a", "com.me.keys.b", "data/words.txt", "lib/words.txt"};
    QTest::newRow("a folder link back up")
        << script + QStringList{"- sub/x|1", "l sub/up|.."} << none
        << "sub/up (a link back to a folder it is in)" << QStringList{"com.me.keys.a", "sub/x"};
    QTest::newRow("a link to nothing")
        << script + QStringList{"l gone|$OUTSIDE/none"} << none
        << "gone (a link to $OUTSIDE/none, which is not there)" << QStringList{"com.me.keys.a"};
    QTest::newRow("FIFOs") << script + QStringList{"p fifo", "p sub/fifo", "- sub/x|1"} << none
                           << "sub/fifo (no regular file or folder: a FIFO, socket or device)"
                           << QStringList{"com.me.keys.a", "sub/x"};
    QTest::newRow("--follow-links")
        << script + QStringList{"l data|$OUTSIDE"} << QStringList{"--follow-links"} << ""
        << QStringList{"com.me.keys.a", "data/secret"};
    QTest::newRow("plugin folders")
        << script +
               QStringList{"- com.me.keys.sdPlugin/manifest.json|{}", "- other.sdPlugin/bin/x|y"}
        << none << "com.me.keys.sdPlugin (a plugin folder: never part of another)"
        << QStringList{"com.me.keys.a"};
    QTest::newRow("another system's scripts and their pictures")
        << script + QStringList{"- com.me.keys.b.bat|echo x", "- com.me.keys.b.svg|<svg/>",
                                "- com.me.keys.a.svg|<svg/>"}
        << none << "com.me.keys.b: left out, since its scripts (com.me.keys.b.bat)"
        << QStringList{"com.me.keys.a", "com.me.keys.a.svg"};
    QTest::newRow("--out inside the scripts' folder")
        << script + QStringList{"- build/notes.txt|x"} << QStringList{"--out", "$KEYS/build"}
        << "build (the folder the plugin is made in)" << QStringList{"com.me.keys.a"};
}

void PluginMakerFilesTest::onlyTheAuthorsFiles()
{
    QFETCH(QStringList, files);
    QFETCH(QStringList, arguments);
    QFETCH(QString, said);
    QFETCH(QStringList, inPlugin);

    QTemporaryDir temporary;
    const QString keys = temporary.filePath("keys");
    const QString outside = temporary.filePath("outside");
    QVERIFY(AuthorFolder::write(outside, {"- secret|the author's own"}));
    QVERIFY(QDir().mkpath(keys));
    const auto place = [&](QString text) {
        return text.replace("$OUTSIDE", outside).replace("$KEYS", keys);
    };
    for (QString &file : files)
        file = place(file);
    for (QString &argument : arguments)
        argument = place(argument);
    QVERIFY(AuthorFolder::write(keys, files));
    const QStringList before = AuthorFolder::listing(keys, {"build"});

    QByteArray err;
    const QString out = arguments.contains("--out") ? keys + "/build" : temporary.path();
    QCOMPARE(AuthorFolder::make(host,
                                QStringList{"--cmd", keys, "--uuid", "com.me.keys"} + arguments,
                                temporary.path(), &err),
             0);
    QVERIFY2(err.contains(place(said).toUtf8()), err.constData());
    QCOMPARE(AuthorFolder::listing(out + "/com.me.keys.sdPlugin/cmd"), inPlugin);
    QCOMPARE(AuthorFolder::listing(keys, {"build"}), before);
}

void PluginMakerFilesTest::madeInTheScriptsFolderTwice()
{
    // Run where the scripts are, with the default --out: the second folder is the first again.
    QTemporaryDir temporary;
    QVERIFY(AuthorFolder::write(temporary.path(), {"x com.me.keys.a", "- lib/words.txt|hi"}));
    QByteArray err;
    QStringList made;
    for (int run = 0; run < 2; ++run) {
        QCOMPARE(AuthorFolder::make(host, {"--cmd", ".", "--uuid", "com.me.keys"}, temporary.path(),
                                    &err),
                 0);
        QVERIFY2(err.contains("note: made in the scripts' folder"), err.constData());
        if (run == 0)
            made = AuthorFolder::listing(temporary.filePath("com.me.keys.sdPlugin"));
    }
    QCOMPARE(AuthorFolder::listing(temporary.filePath("com.me.keys.sdPlugin")), made);
    QVERIFY(made.contains("cmd/lib/words.txt"));
    QVERIFY(!made.filter(".sdPlugin").size());
}

void PluginMakerFilesTest::twoRunsAtOnce()
{
    // Two makers on one --out: one complete folder, each run made it or said why not.
    QTemporaryDir temporary;
    QStringList scripts;
    for (int i = 0; i < 60; ++i)
        scripts << QStringLiteral("x com.me.keys.s%1").arg(i);
    const QString keys = temporary.filePath("keys");
    QVERIFY(AuthorFolder::write(keys, scripts));
    const QStringList arguments{
        "plugin", "--cmd", keys, "--uuid", "com.me.keys", "--out", temporary.filePath("out")};
    QProcess first, second;
    first.start(host, arguments);
    second.start(host, arguments);
    QVERIFY(first.waitForFinished(60000) && second.waitForFinished(60000));
    int madeIt = 0;
    for (QProcess *run : {&first, &second}) {
        const QByteArray err = run->readAllStandardError();
        QVERIFY2(run->exitCode() == 0 || (run->exitCode() == 10 && err.contains("being made")),
                 err.constData());
        madeIt += run->exitCode() == 0;
    }
    QVERIFY(madeIt > 0);
    QCOMPARE(QDir(temporary.filePath("out")).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
             QStringList{"com.me.keys.sdPlugin"});
    const QString made = temporary.filePath("out/com.me.keys.sdPlugin");
    QVERIFY(QFileInfo(made + "/bin/keyscript").isExecutable());
    QCOMPARE(AuthorFolder::listing(made + "/cmd").size(), 60);
}

void PluginMakerFilesTest::leftoversOfEarlierRuns_data()
{
    QTest::addColumn<QStringList>("left"); // beside the plugin folder
    QTest::newRow("a file at .old") << QStringList{"- com.me.keys.sdPlugin.old|x"};
    QTest::newRow("a folder at .old") << QStringList{"- com.me.keys.sdPlugin.old/bin/keyscript|x"};
    QTest::newRow("a half-made folder")
        << QStringList{"- com.me.keys.sdPlugin.new/manifest.json|{}"};
    QTest::newRow("a run's own temporary folder")
        << QStringList{"- com.me.keys.sdPlugin.new-Ab12Cd/cmd/x|x"};
}

void PluginMakerFilesTest::leftoversOfEarlierRuns()
{
    QFETCH(QStringList, left);
    QTemporaryDir temporary;
    const QString keys = temporary.filePath("keys");
    const QString out = temporary.filePath("out");
    QVERIFY(AuthorFolder::write(keys, {"x com.me.keys.a"}));
    QVERIFY(AuthorFolder::write(out, left + QStringList{"- com.me.keys.sdPlugin/earlier|x"}));
    QByteArray err;
    QCOMPARE(AuthorFolder::make(host, {"--cmd", keys, "--uuid", "com.me.keys", "--out", out},
                                temporary.path(), &err),
             0);
    QCOMPARE(QDir(out).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
             QStringList{"com.me.keys.sdPlugin"});
    QCOMPARE(AuthorFolder::listing(out + "/com.me.keys.sdPlugin/cmd"),
             QStringList{"com.me.keys.a"});
}

void PluginMakerFilesTest::placedActionsStay_data()
{
    QTest::addColumn<QStringList>("before"); // the scripts of the plugin made first
    QTest::addColumn<QStringList>("after");  // and of the one made next
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("said");

    const QStringList ab{"x com.me.keys.a", "x com.me.keys.b"};
    const QStringList none;
    QTest::newRow("a script removed")
        << ab << QStringList{"x com.me.keys.a"} << none << 11
        << "has actions these scripts no longer make: com.me.keys.b (\"b\")";
    QTest::newRow("a script renamed") << ab << QStringList{"x com.me.keys.a", "x com.me.keys.c"}
                                      << none << 11 << "no longer make: com.me.keys.b";
    QTest::newRow("removed, with --drop-actions")
        << ab << QStringList{"x com.me.keys.a"} << QStringList{"--drop-actions"} << 0 << "";
    QTest::newRow("an action added") << QStringList{"x com.me.keys.a"} << ab << none << 0 << "";
    QTest::newRow("the same actions under another --uuid")
        << ab << ab << QStringList{"--uuid", "com.me.other"} << 11
        << "(plugin com.me.keys) has the same actions: com.me.keys.a, com.me.keys.b";
}

void PluginMakerFilesTest::placedActionsStay()
{
    QFETCH(QStringList, before);
    QFETCH(QStringList, after);
    QFETCH(QStringList, arguments);
    QFETCH(int, exitCode);
    QFETCH(QString, said);
    QTemporaryDir temporary;
    const QString first = temporary.filePath("first");
    const QString next = temporary.filePath("next");
    const QString out = temporary.filePath("out");
    QVERIFY(AuthorFolder::write(first, before) && AuthorFolder::write(next, after));
    QCOMPARE(AuthorFolder::make(host, {"--cmd", first, "--uuid", "com.me.keys", "--out", out},
                                temporary.path()),
             0);
    const QStringList made = AuthorFolder::listing(out);
    QByteArray err;
    QStringList again{"--cmd", next, "--out", out};
    if (!arguments.contains("--uuid"))
        again += QStringList{"--uuid", "com.me.keys"};
    QCOMPARE(AuthorFolder::make(host, again + arguments, temporary.path(), &err), exitCode);
    QVERIFY2(err.contains(said.toUtf8()), err.constData());
    if (exitCode != 0)
        QCOMPARE(AuthorFolder::listing(out), made); // nothing changed
}

void PluginMakerFilesTest::linkedScripts_data()
{
    QTest::addColumn<QList<bool>>("runs"); // made with --link or not, one after the other
    QTest::newRow("linked") << QList<bool>{true};
    QTest::newRow("linked, then copied") << QList<bool>{true, false};
    QTest::newRow("copied, then linked twice") << QList<bool>{false, true, true};
}

void PluginMakerFilesTest::linkedScripts()
{
    // cmd/ leads to the author's folder; replacing such a plugin removes the link, never the
    // scripts it leads to.
    QFETCH(QList<bool>, runs);
    QTemporaryDir temporary;
    const QString keys = temporary.filePath("keys");
    const QString cmd = temporary.filePath("out/com.me.keys.sdPlugin/cmd");
    QVERIFY(AuthorFolder::write(keys, {"x com.me.keys.a", "- lib/words.txt|hi"}));
    const QStringList before = AuthorFolder::listing(keys);
    for (const bool link : std::as_const(runs)) {
        QStringList arguments{"--cmd", keys, "--uuid", "com.me.keys", "--out", "out"};
        if (link)
            arguments << "--link";
        QByteArray err, out;
        QCOMPARE(AuthorFolder::make(host, arguments, temporary.path(), &err, &out), 0);
        QCOMPARE(AuthorFolder::listing(keys), before);
        QCOMPARE(QFileInfo(cmd).isSymLink(), link);
        QCOMPARE(out.contains("an edited script applies at its next press"), link);
        QCOMPARE(AuthorFolder::listing(cmd), before);
    }
    if (runs.last())
        QCOMPARE(QFileInfo(cmd).symLinkTarget(), QFileInfo(keys).canonicalFilePath());
    QCOMPARE(QDir(temporary.filePath("out")).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
             QStringList{"com.me.keys.sdPlugin"});
}

namespace {

// An entry of a zip written by hand: a file, or a link (mode 0120777) to data; at the offset
// of an earlier entry's data when sameAs names it; claiming size when it is given.
struct HandEntry
{
    QByteArray name;
    QByteArray data;
    quint32 mode = 0100755;
    int sameAs = -1;
    qint64 size = -1;
    bool damaged = false; // its CRC-32 left 0
};

QByteArray handZip(const QList<HandEntry> &entries)
{
    const auto u16 = [](int v) {
        QByteArray bytes(2, '\0');
        bytes[0] = char(v & 0xff);
        bytes[1] = char(v >> 8 & 0xff);
        return bytes;
    };
    const auto u32 = [&](qint64 v) { return u16(int(v & 0xffff)) + u16(int(v >> 16 & 0xffff)); };
    const auto crc32 = [](const QByteArray &bytes) {
        quint32 crc = 0xffffffffu;
        for (const char byte : bytes) {
            crc ^= uchar(byte);
            for (int k = 0; k < 8; ++k)
                crc = crc & 1 ? 0xedb88320u ^ (crc >> 1) : crc >> 1;
        }
        return qint64(crc ^ 0xffffffffu);
    };
    QByteArray locals, central;
    QList<qint64> offsets;
    for (const HandEntry &entry : entries) {
        const qint64 size = entry.size >= 0 ? entry.size : entry.data.size();
        const QByteArray sizes =
            u32(entry.damaged ? 0 : crc32(entry.data)) + u32(entry.data.size()) + u32(size);
        offsets << (entry.sameAs >= 0 ? offsets.at(entry.sameAs) : locals.size());
        if (entry.sameAs < 0)
            locals += "PK\x03\x04" + u16(20) + u16(0) + u16(0) + u32(0) + sizes +
                      u16(int(entry.name.size())) + u16(0) + entry.name + entry.data;
        central += "PK\x01\x02" + u16(0x314) + u16(20) + u16(0) + u16(0) + u32(0) + sizes +
                   u16(int(entry.name.size())) + u16(0) + u16(0) + u16(0) + u16(0) +
                   u32(qint64(entry.mode) << 16) + u32(offsets.last()) + entry.name;
    }
    return locals + central + "PK\x05\x06" + u16(0) + u16(0) + u16(int(entries.size())) +
           u16(int(entries.size())) + u32(central.size()) + u32(locals.size()) + u16(0);
}

} // namespace

void PluginMakerFilesTest::fromAnInstallerFile_data()
{
    QTest::addColumn<QStringList>("installer"); // the files of org.keyscript.sdPlugin, zipped
    QTest::addColumn<QByteArray>("zip");        // or the installer file itself
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("said");
    QTest::addColumn<QStringList>("inBin"); // the made plugin's bin/

    const QString padding = QString("Qt6Core.dll|") + QString("a DLL of some size ").repeated(400);
    const QStringList windows{"- bin/keyscript.exe|MZ the program", "- bin/" + padding};
    const QStringList mac{"x bin/keyscript|MACH-O", "- bin/QtCore.framework/Versions/A/QtCore|x",
                          "l bin/QtCore.framework/Versions/Current|A",
                          "l bin/QtCore.framework/QtCore|Versions/Current/QtCore"};
    const QStringList none;
    QTest::newRow("for Windows") << windows << QByteArray() << none << 0 << ""
                                 << QStringList{"Qt6Core.dll", "keyscript.exe"};
    QTest::newRow("for macOS, its links kept")
        << mac << QByteArray() << QStringList{"--for", "mac"} << 0 << ""
        << QStringList{"QtCore.framework/QtCore -> $BIN/QtCore.framework/Versions/Current/QtCore",
                       "QtCore.framework/Versions/A/QtCore",
                       "QtCore.framework/Versions/Current -> $BIN/QtCore.framework/Versions/A",
                       "keyscript"};
    QTest::newRow("--for the other system")
        << windows << QByteArray() << QStringList{"--for", "mac"} << 2
        << "holds keyscript for Windows: --for asks for the other system" << none;
    QTest::newRow("keyscript for Linux")
        << QStringList{"x bin/keyscript|\x7f"
                       "ELF"}
        << QByteArray() << none << 10 << "holds keyscript for Linux, where the host does not run"
        << none;
    QTest::newRow("no zip") << none << QByteArray("just text") << none << 10 << "it is no zip file"
                            << none;
    QTest::newRow("a damaged entry")
        << none
        << handZip({{"org.keyscript.sdPlugin/bin/keyscript.exe", "MZ", 0100755, -1, -1, true}})
        << none << 10 << "keyscript.exe: damaged (its CRC-32 does not match)" << none;
    QTest::newRow("an entry out of its folder")
        << none << handZip({{"org.keyscript.sdPlugin/bin/../../../evil.exe", "MZ"}}) << none << 10
        << "would be written outside its folder" << none;
    // What a careful unpacker refuses.
    const HandEntry program{"org.keyscript.sdPlugin/bin/keyscript.exe", "MZ"};
    QTest::newRow("a link to an absolute path")
        << none << handZip({program, {"org.keyscript.sdPlugin/bin/leak", "/etc/passwd", 0120777}})
        << none << 10 << "the link org.keyscript.sdPlugin/bin/leak leads outside its folder"
        << none;
    QTest::newRow("a file written through a link")
        << none
        << handZip({program,
                    {"org.keyscript.sdPlugin/bin/d", "lib", 0120777},
                    {"org.keyscript.sdPlugin/bin/d/planted", "x"}})
        << none << 10 << "d/planted would be written through the link d" << none;
    QTest::newRow("one entry's data listed many times")
        << none
        << handZip({program,
                    {"org.keyscript.sdPlugin/bin/a.dll", QByteArray(1000, 'a')},
                    {"org.keyscript.sdPlugin/bin/b.dll", QByteArray(1000, 'a'), 0100755, 1},
                    {"org.keyscript.sdPlugin/bin/c.dll", QByteArray(1000, 'a'), 0100755, 1}})
        << none << 10 << "its entries overlap" << none;
    QTest::newRow("more than 1 GiB in all")
        << none
        << handZip({program,
                    {"org.keyscript.sdPlugin/bin/a.dll", "a", 0100755, -1, 400 << 20},
                    {"org.keyscript.sdPlugin/bin/b.dll", "b", 0100755, -1, 400 << 20},
                    {"org.keyscript.sdPlugin/bin/c.dll", "c", 0100755, -1, 400 << 20}})
        << none << 10 << "it would unpack to more than 1024 MiB" << none;
#ifndef Q_OS_WIN
    QTest::newRow("a FIFO") << none << QByteArray("fifo") << none << 10 << "it is no regular file"
                            << none;
#endif
}

void PluginMakerFilesTest::fromAnInstallerFile()
{
    // keyscript's programs for another system, from its installer file; the file's own
    // mistakes are refused before anything is made.
    QFETCH(QStringList, installer);
    QFETCH(QByteArray, zip);
    QFETCH(QStringList, arguments);
    QFETCH(int, exitCode);
    QFETCH(QString, said);
    QFETCH(QStringList, inBin);
    QTemporaryDir temporary;
    const QString file = temporary.filePath("org.keyscript.streamDeckPlugin");
    if (zip.isEmpty()) {
        QVERIFY(AuthorFolder::write(temporary.filePath("stage/org.keyscript.sdPlugin"), installer));
        // A Mac program begins with its magic number, which is no text.
        QFile program(temporary.filePath("stage/org.keyscript.sdPlugin/bin/keyscript"));
        if (installer.contains("x bin/keyscript|MACH-O"))
            QVERIFY(program.open(QIODevice::WriteOnly) &&
                    program.write(QByteArray("\xcf\xfa\xed\xfe the program")) > 0);
        program.close();
        QProcess zipping;
        zipping.setWorkingDirectory(temporary.filePath("stage"));
        zipping.start(KEYSCRIPT_CMAKE,
                      {"-E", "tar", "cf", file, "--format=zip", "org.keyscript.sdPlugin"});
        QVERIFY(zipping.waitForFinished(30000) && zipping.exitCode() == 0);
    } else if (zip == "fifo") {
#ifndef Q_OS_WIN
        QCOMPARE(::mkfifo(QFile::encodeName(file).constData(), 0600), 0);
#endif
    } else {
        QFile written(file);
        QVERIFY(written.open(QIODevice::WriteOnly) && written.write(zip) == zip.size());
    }
    QVERIFY(AuthorFolder::write(temporary.filePath("keys"),
                                {"x com.me.keys.a", "- com.me.keys.b.bat|@echo setTitle b"}));
    QByteArray err;
    const int exited = AuthorFolder::make(
        host,
        QStringList{"--cmd", "keys", "--uuid", "com.me.keys", "--out", "out", "--from", file} +
            arguments,
        temporary.path(), &err);
    QVERIFY2(err.contains(said.toUtf8()), err.constData());
    QVERIFY2(exited == exitCode, err.constData());
    const QString bin = temporary.filePath("out/com.me.keys.sdPlugin/bin");
    QCOMPARE(AuthorFolder::listing(bin), inBin.replaceInStrings("$BIN", bin));
    if (exitCode == 0)
        QVERIFY(!err.contains("made for trying here"));
    if (inBin.contains("keyscript"))
        QVERIFY(
            QFileInfo(temporary.filePath("out/com.me.keys.sdPlugin/bin/keyscript")).isExecutable());
}

void PluginMakerFilesTest::packedAsAnInstallerFile()
{
    // --pack writes the host's installer file beside the folder: the folder at its root, every
    // file as it is there, a program still a program once unpacked.
    QTemporaryDir temporary;
    const QString scripts = temporary.filePath("keys");
    QVERIFY(AuthorFolder::write(scripts, {"x com.me.keys.a", "- lib/words.txt|hi"}));
    const QString out = temporary.filePath("out");
    QByteArray err;
    QCOMPARE(AuthorFolder::make(host,
                                {"--cmd", scripts, "--uuid", "com.me.keys", "--out", out, "--pack"},
                                temporary.path(), &err),
             0);
    ZipArchive zip;
    QCOMPARE(zip.open(out + "/com.me.keys.streamDeckPlugin"), QString());
    const QString folder = out + "/com.me.keys.sdPlugin";
    QStringList packed;
    for (const ZipArchive::Entry &entry : zip.entries()) {
        QVERIFY2(entry.name.startsWith("com.me.keys.sdPlugin/"), qPrintable(entry.name));
        const QString name = entry.name.mid(QString("com.me.keys.sdPlugin/").size());
        if (entry.isDir())
            continue;
        packed << name;
        QString error;
        QFile file(folder + "/" + name);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(zip.read(entry, &error), file.readAll());
        QCOMPARE(bool(entry.unixMode & 0100), QFileInfo(file).isExecutable());
    }
    QStringList files = AuthorFolder::listing(folder);
    files.sort();
    packed.sort();
    QCOMPARE(packed, files);
    QVERIFY(packed.contains("cmd/com.me.keys.a"));
}

QTEST_GUILESS_MAIN(PluginMakerFilesTest)
#include "tst_pluginmakerfiles.moc"
