#include "hostoptions.h"

#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QUuid>

namespace {

// Walks the arguments; each reader takes what it needs and reports problems once.
class ArgumentReader
{
public:
    ArgumentReader(const QStringList &arguments, HostOptions &options)
        : arguments(arguments)
        , options(options)
    {
    }

    bool atEnd() const { return index >= arguments.size() || !options.error.isEmpty(); }
    QString next() { return arguments.at(index++); }
    bool peekIs(const QString &word) const
    {
        return index < arguments.size() && arguments.at(index) == word;
    }

    QString value(const QString &option)
    {
        if (index >= arguments.size()) {
            fail(option + QStringLiteral(" needs a value"));
            return QString();
        }
        return next();
    }

    int number(const QString &option, int minimum)
    {
        const QString text = value(option);
        bool ok = false;
        const int result = text.toInt(&ok);
        if (options.error.isEmpty() && (!ok || result < minimum))
            fail(QStringLiteral("%1 takes a whole number from %2 up, not \"%3\"")
                     .arg(option)
                     .arg(minimum)
                     .arg(text));
        return result;
    }

    QJsonObject object(const QString &option)
    {
        const QString text = value(option);
        QJsonParseError parseError{};
        const QJsonDocument document = QJsonDocument::fromJson(text.toUtf8(), &parseError);
        if (options.error.isEmpty() && !document.isObject())
            fail(QStringLiteral("%1 takes a JSON object, not \"%2\"%3")
                     .arg(option, text,
                          parseError.error == QJsonParseError::NoError
                              ? QString()
                              : QStringLiteral(" (") + parseError.errorString() + ')'));
        return document.object();
    }

    void fail(const QString &message)
    {
        if (options.error.isEmpty())
            options.error = message;
    }

private:
    const QStringList &arguments;
    HostOptions &options;
    qsizetype index = 0;
};

struct Press
{
    QString action;
    QString context;
    QString device;
    QJsonObject settings;
};

} // namespace

QString keyDownEvent(const QString &action, const QString &context, const QString &device,
                     const QJsonObject &settings)
{
    const QJsonObject event{
        {QStringLiteral("event"), QStringLiteral("keyDown")},
        {QStringLiteral("action"), action},
        {QStringLiteral("context"), context},
        {QStringLiteral("device"), device},
        {QStringLiteral("payload"),
         QJsonObject{{QStringLiteral("settings"), settings},
                     {QStringLiteral("coordinates"),
                      QJsonObject{{QStringLiteral("column"), 0}, {QStringLiteral("row"), 0}}},
                     {QStringLiteral("isInMultiAction"), false}}}};
    return QString::fromUtf8(QJsonDocument(event).toJson(QJsonDocument::Compact));
}

namespace {

// Where the JSON object that starts at begin ends (one past its closing brace, or the end).
qsizetype objectEnd(const QString &text, qsizetype begin)
{
    int depth = 0;
    bool inString = false;
    for (qsizetype i = begin; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (inString) {
            if (c == QLatin1Char('\\'))
                ++i;
            else if (c == QLatin1Char('"'))
                inString = false;
        } else if (c == QLatin1Char('"')) {
            inString = true;
        } else if (c == QLatin1Char('{')) {
            ++depth;
        } else if (c == QLatin1Char('}') && --depth == 0) {
            return i + 1;
        }
    }
    return text.size();
}

} // namespace

QStringList splitShorthand(const QString &line)
{
    QStringList words;
    for (qsizetype i = 0; i < line.size();) {
        if (line.at(i).isSpace()) {
            ++i;
            continue;
        }
        qsizetype end = i;
        if (line.at(i) == QLatin1Char('{')) {
            end = objectEnd(line, i);
        } else {
            while (end < line.size() && !line.at(end).isSpace())
                ++end;
        }
        words << line.mid(i, end - i);
        i = end;
    }
    return words;
}

HostOptions HostOptions::parse(const QStringList &arguments, const QString &defaultPlugin,
                               int firstKey)
{
    HostOptions options;
    options.plugin = defaultPlugin;
    options.uuid = QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper();
    const QString device = QStringLiteral("device-1");
    options.info = QStringLiteral(R"({"application":{"language":"en","platform":"keyscript-host"},)"
                                  R"("devices":[{"id":"device-1","name":"stand-in","type":0}]})");
    int repeat = 1;
    QList<Press> presses;
    QStringList rawEvents; // with their place among the presses
    QList<int> rawAfter;

    ArgumentReader reader(arguments, options);
    while (!reader.atEnd()) {
        const QString word = reader.next();
        if (word == QLatin1String("press")) {
            Press press;
            press.action = reader.value(word);
            press.device = device;
            while (!reader.atEnd()) {
                if (reader.peekIs(QStringLiteral("--settings")))
                    press.settings = reader.object(reader.next());
                else if (reader.peekIs(QStringLiteral("--context")))
                    press.context = reader.value(reader.next());
                else if (reader.peekIs(QStringLiteral("--device")))
                    press.device = reader.value(reader.next());
                else
                    break;
            }
            presses.append(press);
        } else if (word == QLatin1String("--send")) {
            rawAfter.append(int(presses.size()));
            const QJsonObject event = reader.object(word);
            rawEvents.append(
                QString::fromUtf8(QJsonDocument(event).toJson(QJsonDocument::Compact)));
        } else if (word == QLatin1String("--plugin")) {
            options.plugin = reader.value(word);
        } else if (word == QLatin1String("--uuid")) {
            options.uuid = reader.value(word);
        } else if (word == QLatin1String("--register-event")) {
            options.registerEvent = reader.value(word);
        } else if (word == QLatin1String("--info")) {
            options.info = reader.value(word);
        } else if (word == QLatin1String("--repeat")) {
            repeat = reader.number(word, 1);
        } else if (word == QLatin1String("--quiet-ms")) {
            options.quietMs = reader.number(word, 0);
        } else if (word == QLatin1String("--timeout")) {
            options.timeoutMs = reader.number(word, 1);
            options.timeoutGiven = true;
        } else if (word == QLatin1String("--interactive")) {
            options.interactive = true;
        } else if (word == QLatin1String("--json")) {
            options.json = true;
        } else if (word == QLatin1String("--verbose")) {
            options.verbose = true;
        } else if (word == QLatin1String("--help") || word == QLatin1String("-h")) {
            options.help = true;
        } else if (word.startsWith(QLatin1Char('-'))) {
            reader.fail(QStringLiteral("unknown option %1 (see --help)").arg(word));
        } else {
            reader.fail(QStringLiteral("unexpected \"%1\": events start with press or --send (see "
                                       "--help)")
                            .arg(word));
        }
    }
    if (!options.error.isEmpty() || options.help)
        return options;

    const QFileInfo plugin(options.plugin);
    if (!plugin.isFile() || !plugin.isExecutable()) {
        options.error =
            QStringLiteral("no plugin to start at %1 (use --plugin PATH)").arg(options.plugin);
        return options;
    }
    if (options.uuid.isEmpty() || options.registerEvent.isEmpty() || options.info.isEmpty()) {
        options.error = QStringLiteral("--uuid, --register-event and --info may not be empty: the "
                                       "plugin would not connect");
        return options;
    }

    // Every round sends the presses in order, each raw event where it stood among them.
    for (int round = 0; round < repeat; ++round) {
        qsizetype raw = 0;
        for (int i = 0; i <= presses.size(); ++i) {
            for (; raw < rawEvents.size() && rawAfter.at(raw) == i; ++raw)
                options.events.append(rawEvents.at(raw));
            if (i == presses.size())
                break;
            const Press &press = presses.at(i);
            // Each press is one key: repeating it presses the same key again.
            const QString context = press.context.isEmpty()
                                        ? QStringLiteral("key-%1").arg(firstKey + i)
                                        : press.context;
            options.events.append(
                keyDownEvent(press.action, context, press.device, press.settings));
            options.pressContexts.append(context);
        }
    }
    options.nextKey = firstKey + int(presses.size());
    return options;
}

QString HostOptions::usage()
{
    return QStringLiteral(
        R"(Usage: keyscript-host [options] [press ACTION [--settings JSON] [--context C] [--device D]]...

Plays the host for one keyscript plugin: listens on 127.0.0.1, starts the plugin with
-port, -pluginUUID, -registerEvent and -info, waits for its registration, sends the events
asked for, and prints every message the plugin sends back, one per line.

Events, sent in the order given:
  press ACTION            a key press of ACTION (the script cmd/ACTION runs)
    --settings JSON       the key's settings, a JSON object (default {})
    --context C           the key's context (default key-N for the Nth press)
    --device D            the device (default device-1)
  --send JSON             any event, as the raw JSON object the host would send
  --repeat N              send all presses and raw events N times (default 1)
  --interactive           then read events from standard input, one per line: the same
                          "press ACTION [--settings JSON] ..." shorthand, or raw JSON;
                          presses go on numbering key-N where the command line left off

Options:
  --plugin PATH           the plugin to start (default: keyscript beside this program)
  --uuid U                the plugin UUID (default: a new one)
  --register-event E      the registration event (default: registerPlugin)
  --info JSON             the -info text (default: a small description of one device)
  --json                  print messages as the raw JSON the plugin sent
  --verbose               also show the plugin's own output and error stream
  --quiet-ms MS           end once nothing has arrived for MS milliseconds (default 500)
  --timeout MS            wait at most MS milliseconds for the registration, and end
                          at the latest MS milliseconds after it (default 10000; an
                          interactive session ends then only when --timeout is given)
  -h, --help              show this text

Exit codes: 0 done; 2 usage error; 3 the plugin did not register as expected;
4 the plugin exited or was killed while keyscript-host still ran.

Example:
  keyscript-host press com.example.greet --settings '{"name":"Ada"}'
)");
}
