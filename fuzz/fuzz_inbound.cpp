// An inbound text message from the host, through parsing and dispatch.
#include "connection/qstreamdeckplugin.h"
#include "fuzzsupport.h"

#include <QJsonDocument>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static QStreamDeckPlugin *plugin = [] {
        fuzzSetUp();
        auto *p = new QStreamDeckPlugin;
        // A receiver that reads what a key press carries, as the runner does.
        QObject::connect(p, &QStreamDeckPlugin::keyDown, p, [](const QStreamDeckAction &a) {
            FUZZ_CHECK(a.event == QLatin1String("keyDown"));
            (void)a.payload.value(QLatin1String("settings")).toObject().size();
        });
        return p;
    }();

    // The socket hands over text; the plugin encodes it again before parsing.
    const QString text = QString::fromUtf8(reinterpret_cast<const char *>(data), qsizetype(size));
    QJsonObject message = QJsonDocument::fromJson(text.toUtf8()).object();
    const bool emitted = plugin->dispatchEvent(message);
    if (emitted)
        FUZZ_CHECK(message.contains(QLatin1String("event")));
    return 0;
}
