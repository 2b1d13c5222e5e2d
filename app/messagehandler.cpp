#include "messagehandler.h"

#include <QFile>
#include <QString>

void messageHandler(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    Q_UNUSED(type);
    Q_UNUSED(context);

    static QFile log(QStringLiteral("log.txt"));
    if (!log.isOpen()) {
        // Never create the file; opening without Append starts the log afresh for this run.
        if (!QFile::exists(log.fileName()))
            return;
        log.open(QIODevice::WriteOnly);
    }
    log.write(message.toUtf8());
    log.write("\n", 1);
    log.flush();
}
