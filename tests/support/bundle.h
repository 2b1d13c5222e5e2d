#pragma once

#include <QByteArray>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

// A temporary install of the plugin as the host would find it: bin/keyscript (a copy of the
// built executable, so the application directory is the bundle's), cmd/ for scripts and a
// separate working directory.
class Bundle
{
public:
    Bundle();

    bool isValid() const { return valid; }
    QString binDir() const { return root.filePath(QStringLiteral("bin")); }
    QString cmdDir() const { return root.filePath(QStringLiteral("cmd")); }
    QString workDir() const { return root.filePath(QStringLiteral("work")); }
    QString executable() const;
    // Copies keyscript-host beside the plugin, so it starts the bundle's plugin by default.
    QString addHost() const;

    // Writes the script cmd/<name>: an executable /bin/sh script with sh after the "#!" line, or
    // on Windows the batch file cmd/<name>.bat with bat after "@echo off". Without a body for
    // this platform it writes nothing and returns false.
    bool writeScript(const QString &name, const QByteArray &sh, const QByteArray &bat = {}) const;
    // What writeScript puts after the name: ".bat" on Windows, nothing elsewhere.
    static QString scriptSuffix();
    bool writeFile(const QString &path, const QByteArray &content) const;
    QByteArray readFile(const QString &path) const;

    // Starts the plugin in the working directory with the host's four launch arguments.
    void start(QProcess &process, quint16 port, const QString &uuid = QStringLiteral("plugin-1"),
               const QString &event = QStringLiteral("registerPlugin"),
               const QString &info = QStringLiteral("{}")) const;
    // Starts it with exactly these arguments.
    void startWith(QProcess &process, const QStringList &arguments) const;

    // The log the plugin wrote, as lines.
    QStringList logLines() const;

private:
    QTemporaryDir root;
    bool valid = false;
};

// Whether this runs under Wine rather than Windows itself: some checks only Windows can make.
bool runningUnderWine();

// For a test whose scripts exist only for /bin/sh.
#ifdef Q_OS_WIN
#define SKIP_WITHOUT_SH(why) QSKIP("needs /bin/sh: " why)
#else
#define SKIP_WITHOUT_SH(why)
#endif

// The plugin as a child process that is ended with the test: the plugin itself never exits.
class PluginProcess : public QProcess
{
public:
    ~PluginProcess() override
    {
        if (state() != NotRunning) {
            kill();
            waitForFinished();
        }
    }
};
