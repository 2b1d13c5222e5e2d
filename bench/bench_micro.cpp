// Micro-benchmarks of the plugin's hot paths, without sockets or processes.
#include "connection/qstreamdeckplugin.h"
#include "runner/scriptoutput.h"

#include <QCoreApplication>
#include <QJsonDocument>

#include <benchmark/benchmark.h>

namespace {

QStreamDeckPlugin &plugin()
{
    static QStreamDeckPlugin instance; // unconnected: commands are built, serialised and dropped
    return instance;
}

void dispatch(benchmark::State &state, const char *json)
{
    const QByteArray text(json);
    for (auto _ : state) {
        // As the socket hands it over: text, encoded again, parsed, dispatched.
        QJsonObject message = QJsonDocument::fromJson(QString::fromUtf8(text).toUtf8()).object();
        benchmark::DoNotOptimize(plugin().dispatchEvent(message));
    }
}

void serialise(benchmark::State &state)
{
    const QString title = QStringLiteral("Hello World");
    const QString context = QStringLiteral("0123456789abcdef0123456789abcdef");
    for (auto _ : state)
        plugin().setTitle(title, context);
}

void interpret(benchmark::State &state, const char *line)
{
    const QByteArray bytes(line);
    const KeyEvent key{QStringLiteral("keyDown"), QStringLiteral("a"), QStringLiteral("ctx"),
                       QStringLiteral("dev"), QJsonObject()};
    const QString scriptDir = QStringLiteral("/nonexistent");
    for (auto _ : state)
        ScriptOutput::interpret(plugin(), bytes, key, scriptDir);
}

} // namespace

BENCHMARK_CAPTURE(dispatch, keyDown,
                  R"({"action":"org.keyscript.greet","context":"0123456789abcdef","device":"D1",)"
                  R"("event":"keyDown","payload":{"coordinates":{"column":1,"row":0},)"
                  R"("settings":{"name":"Ada"}}})");
BENCHMARK_CAPTURE(dispatch, willAppear,
                  R"({"action":"org.keyscript.greet","context":"0123456789abcdef","device":"D1",)"
                  R"("event":"willAppear","payload":{"settings":{"name":"Ada"}}})");
BENCHMARK_CAPTURE(dispatch, deviceDidConnect,
                  R"({"event":"deviceDidConnect","device":"D1","deviceInfo":{"type":0}})");
BENCHMARK_CAPTURE(dispatch, applicationDidLaunch,
                  R"({"event":"applicationDidLaunch","payload":{"application":"x"}})");
BENCHMARK_CAPTURE(dispatch, systemDidWakeUp, R"({"event":"systemDidWakeUp"})");
BENCHMARK_CAPTURE(dispatch, unknown, R"({"event":"somethingElse","action":"a"})");
BENCHMARK(serialise);
BENCHMARK_CAPTURE(interpret, setTitle, "setTitle Hello World\n");
BENCHMARK_CAPTURE(interpret, unknownWord, "hello there\n");

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext &, const QString &) {});
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
