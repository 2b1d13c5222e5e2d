// A script's output arriving in chunks, through the line splitter and the line interpreter.
#include "connection/qstreamdeckplugin.h"
#include "fuzzsupport.h"
#include "runner/keyevent.h"
#include "runner/linesplitter.h"
#include "runner/scriptoutput.h"

#include <fuzzer/FuzzedDataProvider.h>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static QStreamDeckPlugin *plugin = [] {
        fuzzSetUp();
        return new QStreamDeckPlugin; // unconnected: commands are built and dropped
    }();

    static const KeyEvent key{QStringLiteral("keyDown"), QStringLiteral("a"), QStringLiteral("ctx"),
                              QStringLiteral("dev"), QJsonObject()};
    static const QString scriptDir = QStringLiteral("/nonexistent"); // relative images miss
    FuzzedDataProvider provider(data, size);
    LineSplitter splitter;
    QByteArray input;
    QList<QByteArray> output;
    while (provider.remaining_bytes() > 0) {
        // Chunk sizes up to a little over the bound, so forced lines happen too.
        const size_t length =
            provider.ConsumeIntegralInRange<size_t>(0, LineSplitter::maxPending + 16);
        const std::string chunk = provider.ConsumeBytesAsString(length);
        const QByteArray bytes(chunk.data(), qsizetype(chunk.size()));
        input += bytes;
        for (const QByteArray &line : splitter.feed(bytes)) {
            FUZZ_CHECK(line.endsWith('\n') || line.size() == LineSplitter::maxPending);
            FUZZ_CHECK(line.indexOf('\n') == line.size() - 1 || !line.contains('\n'));
            output += line;
            ScriptOutput::interpret(*plugin, line, key, scriptDir);
        }
    }
    const QByteArray rest = splitter.takeRest();
    FUZZ_CHECK(!rest.contains('\n'));
    if (!rest.isEmpty()) {
        output += rest;
        ScriptOutput::interpret(*plugin, rest + '\n', key, scriptDir); // as at the end of a script
    }
    // Every line of the input, in order, is one line of the output: the line itself, or its first
    // maxPending bytes. So no command word reaches the interpreter that did not start a line in
    // the input, and nothing is lost, repeated or reordered below the bound.
    QList<QByteArray> expected;
    for (qsizetype start = 0; start < input.size();) {
        const qsizetype end = input.indexOf('\n', start);
        const qsizetype stop = end < 0 ? input.size() : end + 1;
        expected += input.mid(start, qMin(stop - start, LineSplitter::maxPending));
        start = stop;
    }
    FUZZ_CHECK(output == expected);
    return 0;
}
