// A script's output arriving in chunks, through the line splitter and the line interpreter.
#include "connection/qstreamdeckplugin.h"
#include "fuzzsupport.h"
#include "runner/linesplitter.h"
#include "runner/scriptoutput.h"

#include <fuzzer/FuzzedDataProvider.h>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static QStreamDeckPlugin *plugin = [] {
        fuzzSetUp();
        return new QStreamDeckPlugin; // unconnected: commands are built and dropped
    }();

    FuzzedDataProvider provider(data, size);
    LineSplitter splitter;
    QByteArray input;
    QByteArray output;
    while (provider.remaining_bytes() > 0) {
        // Chunk sizes up to a little over the bound, so forced lines happen too.
        const size_t length =
            provider.ConsumeIntegralInRange<size_t>(0, LineSplitter::maxPending + 16);
        const std::string chunk = provider.ConsumeBytesAsString(length);
        const QByteArray bytes(chunk.data(), qsizetype(chunk.size()));
        input += bytes;
        for (const QByteArray &line : splitter.feed(bytes)) {
            FUZZ_CHECK(line.endsWith('\n') || line.size() >= LineSplitter::maxPending);
            FUZZ_CHECK(line.indexOf('\n') == line.size() - 1 || !line.contains('\n'));
            output += line;
            ScriptOutput::interpret(*plugin, line, QStringLiteral("ctx"), QStringLiteral("dev"));
        }
    }
    const QByteArray rest = splitter.takeRest();
    FUZZ_CHECK(!rest.contains('\n'));
    output += rest;
    if (!rest.isEmpty())
        ScriptOutput::interpret(*plugin, rest, QStringLiteral("ctx"), QStringLiteral("dev"));
    // Nothing lost, nothing repeated, nothing reordered.
    FUZZ_CHECK(output == input);
    return 0;
}
