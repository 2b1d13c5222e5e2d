#include "messagehandler.h"

#include <QFile>
#include <QString>

void messageHandler(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    Q_UNUSED(type);
    Q_UNUSED(context);

    static QFile log(QStringLiteral("log.txt"));
    if (!log.isOpen()) {
        // Never create the file; it starts afresh for this run. Every line goes to its end as it
        // is then, so a reader that keeps the file small may empty it.
        if (!QFile::exists(log.fileName()) || !log.open(QIODevice::WriteOnly | QIODevice::Append))
            return;
        log.resize(0);
    }
    log.write(message.toUtf8());
    log.write("\n", 1);
    log.flush();
}
