#pragma once

#include <QtGlobal>

class QMessageLogContext;
class QString;

// Writes every message, of any type, as one UTF-8 line to "log.txt" in the working
// directory, but only while that file exists: creating it switches the log on.
void messageHandler(QtMsgType type, const QMessageLogContext &context, const QString &message);
