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

Q_SIGNALS:
    void line(const QString &text);

private:
    QTemporaryDir directory;
    QFile file;
    QTimer timer;
    QByteArray pending; // a line whose line feed has not been written yet
};
