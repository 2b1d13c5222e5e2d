#include "pluginlog.h"

#include <QRegularExpression>
#include <QThread>

namespace {
constexpr int pollMs = 50;
}

PluginLog::PluginLog(QObject *parent)
    : QObject(parent)
{
    if (directory.isValid()) {
        file.setFileName(directory.filePath(QStringLiteral("log.txt")));
        if (!file.open(QIODevice::ReadWrite |
                       QIODevice::Unbuffered)) // created empty: the plugin logs
            directory.remove();                // only into a file that exists
    }
    connect(&timer, &QTimer::timeout, this, &PluginLog::poll);
}

QString PluginLog::workingDirectory() const
{
    return file.isOpen() ? directory.path() : QString();
}

void PluginLog::start()
{
    if (file.isOpen())
        timer.start(pollMs);
}

void PluginLog::poll()
{
    if (!file.isOpen())
        return;
    pending += file.readAll();
    qsizetype start = 0;
    for (qsizetype end = pending.indexOf('\n'); end >= 0; end = pending.indexOf('\n', start)) {
        emit line(QString::fromUtf8(pending.constData() + start, end - start));
        start = end + 1;
    }
    pending.remove(0, start);
    // What has been read is emptied out once it passes maxFileSize: the plugin writes each line
    // at the file's end, so a flood of output does not fill the disk. A line written between
    // the read and this is lost.
    if (file.pos() > maxFileSize && file.resize(0))
        file.seek(0);
}

void PluginLog::remove()
{
    timer.stop();
    file.close();
    // Windows lets a folder go only once the processes that had it as their working directory
    // have let go of it, which may take a moment after they ended.
    for (int attempt = 0; attempt < 20 && directory.isValid() && !removed; ++attempt) {
        removed = directory.remove();
        if (!removed)
            QThread::msleep(50);
    }
}

bool PluginLog::isFailure(const QString &line)
{
    static const QRegularExpression failure(QStringLiteral(
        R"re(^(error |exit [^0]|exit -|crashed$|stderr |ignored |cut at |Could not (run|set)|)re"
        R"re(Unknown event|KEYSCRIPT_SETTINGS left out|Header of |Settings left out))re"));
    return failure.match(line).hasMatch();
}
