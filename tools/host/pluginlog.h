#pragma once

#include <QFile>
#include <QObject>
#include <QTemporaryDir>
#include <QTimer>

// A working directory for the plugin with an empty log.txt in it, so the plugin logs, and the
// lines it writes there as they come.
class PluginLog : public QObject
{
    Q_OBJECT
public:
    explicit PluginLog(QObject *parent = nullptr);

    // Empty when no such directory could be made.
    QString workingDirectory() const;
    void start();
    // Reads what has been written since the last look.
    void poll();
    // Removes the working directory and what is in it.
    void remove();

    // Whether a log line says that a script failed or that a line it printed did nothing: it
    // could not start, ended with an exit code other than 0, crashed, wrote to standard error,
    // printed a line that is no command or was cut, or named an image or settings that were
    // not sent.
    static bool isFailure(const QString &line);

    // The most the plugin's log holds on disk before what was read of it is emptied out.
    static constexpr qint64 maxFileSize = 4 * 1024 * 1024;

Q_SIGNALS:
    void line(const QString &text);

private:
    QTemporaryDir directory;
    bool removed = false;
    QFile file;
    QTimer timer;
    QByteArray pending; // a line whose line feed has not been written yet
};
