// A key's settings JSON, through the building of a script's arguments and environment.
#include "fuzzsupport.h"
#include "runner/scriptsettings.h"

#include <QJsonDocument>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static const QProcessEnvironment base = [] {
        fuzzSetUp();
        QProcessEnvironment environment;
        environment.insert(QStringLiteral("PATH"), QStringLiteral("/bin"));
        return environment;
    }();

    const QJsonObject payload =
        QJsonDocument::fromJson(
            QByteArray::fromRawData(reinterpret_cast<const char *>(data), qsizetype(size)))
            .object();
    const ScriptSettings result = ScriptSettings::fromPayload(payload, base);
    const QJsonObject settings = payload.value(QLatin1String("settings")).toObject();
    FUZZ_CHECK(result.arguments.size() == 2 * settings.size());
    for (qsizetype i = 0; i < result.arguments.size(); i += 2) {
        FUZZ_CHECK(result.arguments.at(i).startsWith(QLatin1String("--")));
        // Keys come sorted, so the pairs do too.
        if (i > 0)
            FUZZ_CHECK(result.arguments.at(i - 2) < result.arguments.at(i));
    }
    (void)result.environment.toStringList();
    return 0;
}
