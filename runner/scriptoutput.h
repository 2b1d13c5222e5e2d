#pragma once

#include "keyevent.h"
#include "linesplitter.h"

#include <QPointer>
#include <QString>

class QStreamDeckPlugin;

// Reads one script's standard output and sends its commands to the host for the key whose
// event started the script.
class ScriptOutput
{
public:
    // scriptDir is the folder that holds the script: image files are found from there.
    ScriptOutput(QStreamDeckPlugin *streamDeck, KeyEvent key, QString scriptDir);

    // Interprets every line that chunk completes.
    void read(const QByteArray &chunk);
    // The script has ended: interprets what is left, a last line without a line feed included.
    void finish();

    // Logs one line and makes the call its command word stands for, if any.
    static void interpret(QStreamDeckPlugin &streamDeck, const QByteArray &bytes,
                          const KeyEvent &key, const QString &scriptDir);

private:
    // Cleared when the plugin's teardown destroys the host connection; a script killed then may
    // still deliver output, which must not reach a destroyed object.
    QPointer<QStreamDeckPlugin> streamDeck;
    KeyEvent key;
    QString scriptDir;
    LineSplitter lines;
};
