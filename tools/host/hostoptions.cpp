#include "hostoptions.h"

#include "runner/scriptlookup.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryFile>
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

    int signedNumber(const QString &option)
    {
        const QString text = value(option);
        bool ok = false;
        const int result = text.toInt(&ok);
        if (options.error.isEmpty() && !ok)
            fail(QStringLiteral("%1 takes a whole number, not \"%2\"").arg(option, text));
        return result;
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

// One event of a key, as asked for on the command line.
struct KeyAction
{
    QString event; // the host's name for it
    QString action;
    QString context;
    QString device;
    QJsonObject settings;
    int state = -1; // none
    int column = 0;
    int row = 0;
    int forMs = -1;    // an appear that is followed by its disappear after this long
    QString userTitle; // a title the user typed for the key
    bool inMultiAction = false;
    // A dial's: how far it turns and whether it is held meanwhile, where the strip is touched
    // (on its 200 by 100 canvas) and whether for long.
    int ticks = 0;
    bool pressed = false;
    int tapX = 100;
    int tapY = 50;
    bool hold = false;
};

// The words for the events of a key, and the host's names for them.
const struct
{
    QLatin1String word;
    QLatin1String event;
} keyWords[] = {
    {QLatin1String("press"), QLatin1String("keyDown")},
    {QLatin1String("release"), QLatin1String("keyUp")},
    {QLatin1String("appear"), QLatin1String("willAppear")},
    {QLatin1String("disappear"), QLatin1String("willDisappear")},
    {QLatin1String("settings"), QLatin1String("didReceiveSettings")},
    {QLatin1String("rotate"), QLatin1String("dialRotate")},
    {QLatin1String("dialdown"), QLatin1String("dialDown")},
    {QLatin1String("dialup"), QLatin1String("dialUp")},
    {QLatin1String("tap"), QLatin1String("touchTap")},
};

QString eventOf(const QString &word)
{
    for (const auto &entry : keyWords) {
        if (word == entry.word)
            return entry.event;
    }
    return QString();
}

QString eventText(const KeyAction &key, const QString &event, const QString &context)
{
    const QString text = actionEvent(event, key.action, context, key.device, key.settings,
                                     key.state, key.column, key.row);
    const bool dial = isDialEvent(event);
    if (key.userTitle.isEmpty() && !key.inMultiAction && !dial)
        return text;
    QJsonObject message = QJsonDocument::fromJson(text.toUtf8()).object();
    QJsonObject payload = message.value(QLatin1String("payload")).toObject();
    if (dial)
        payload.insert(QStringLiteral("controller"), QStringLiteral("Encoder"));
    if (event == QLatin1String("dialRotate")) {
        payload.insert(QStringLiteral("ticks"), key.ticks);
        payload.insert(QStringLiteral("pressed"), key.pressed);
    } else if (event == QLatin1String("touchTap")) {
        payload.insert(QStringLiteral("tapPos"), QJsonArray{key.tapX, key.tapY});
        payload.insert(QStringLiteral("hold"), key.hold);
    }
    // The user's title is the stand-in's own word; the key store takes it out again.
    if (!key.userTitle.isEmpty())
        payload.insert(QStringLiteral("userTitle"), key.userTitle);
    if (key.inMultiAction)
        payload.insert(QStringLiteral("isInMultiAction"), true);
    message.insert(QStringLiteral("payload"), payload);
    return QString::fromUtf8(QJsonDocument(message).toJson(QJsonDocument::Compact));
}

// --at X,Y: where the strip is touched, on the dial's 200 by 100 canvas.
void readTapPosition(ArgumentReader &reader, KeyAction &key)
{
    const QString word = reader.next();
    const QString at = reader.value(word);
    bool xOk = false, yOk = false;
    const int x = at.section(QLatin1Char(','), 0, 0).toInt(&xOk);
    const int y = at.section(QLatin1Char(','), 1).toInt(&yOk);
    if (!xOk || !yOk || x < 0 || x >= 200 || y < 0 || y >= 100)
        reader.fail(QStringLiteral("--at takes X,Y on the dial's 200 by 100 canvas, such as "
                                   "100,50, not \"%1\"")
                        .arg(at));
    key.tapX = x;
    key.tapY = y;
}

} // namespace

HostOptions HostOptions::parse(const QStringList &arguments, const QString &defaultPlugin,
                               const QHash<QString, QString> &knownKeys)
{
    HostOptions options;
    options.plugin = defaultPlugin;
    options.uuid = QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper();
    const QString device = QStringLiteral("device-1");
    bool infoGiven = false;
    int repeat = 1;
    QList<KeyAction> keys;
    QStringList rawEvents; // with their place among the key events, and so are the waits
    QList<int> rawAfter;

    ArgumentReader reader(arguments, options);
    if (reader.peekIs(QStringLiteral("deck"))) {
        reader.next();
        options.deck = true;
        options.quietMs = 0;
    }
    while (!reader.atEnd()) {
        const QString word = reader.next();
        if (const QString event = eventOf(word); !event.isEmpty()) {
            KeyAction key;
            key.event = event;
            key.action = reader.value(word);
            key.device = device;
            while (!reader.atEnd()) {
                if (reader.peekIs(QStringLiteral("--settings")))
                    key.settings = reader.object(reader.next());
                else if (reader.peekIs(QStringLiteral("--context")))
                    key.context = reader.value(reader.next());
                else if (reader.peekIs(QStringLiteral("--device")))
                    key.device = reader.value(reader.next());
                else if (reader.peekIs(QStringLiteral("--state")))
                    key.state = reader.number(reader.next(), 0);
                else if (reader.peekIs(QStringLiteral("--column")))
                    key.column = reader.number(reader.next(), 0);
                else if (reader.peekIs(QStringLiteral("--row")))
                    key.row = reader.number(reader.next(), 0);
                else if (reader.peekIs(QStringLiteral("--title")))
                    key.userTitle = reader.value(reader.next());
                else if (reader.peekIs(QStringLiteral("--multi-action")))
                    key.inMultiAction = !reader.next().isEmpty();
                else if (word == QLatin1String("appear") && reader.peekIs(QStringLiteral("--for")))
                    key.forMs = reader.number(reader.next(), 0);
                else if (word == QLatin1String("rotate") &&
                         reader.peekIs(QStringLiteral("--ticks")))
                    key.ticks = reader.signedNumber(reader.next());
                else if (word == QLatin1String("rotate") &&
                         reader.peekIs(QStringLiteral("--pressed")))
                    key.pressed = !reader.next().isEmpty();
                else if (word == QLatin1String("tap") && reader.peekIs(QStringLiteral("--at")))
                    readTapPosition(reader, key);
                else if (word == QLatin1String("tap") && reader.peekIs(QStringLiteral("--hold")))
                    key.hold = !reader.next().isEmpty();
                else
                    break;
            }
            if (word == QLatin1String("rotate") && key.ticks == 0)
                reader.fail(QStringLiteral("rotate needs --ticks N, a whole number other than 0 "
                                           "(negative turns counter-clockwise)"));
            keys.append(key);
        } else if (word == QLatin1String("wait")) {
            rawAfter.append(int(keys.size()));
            rawEvents.append(QStringLiteral("wait %1").arg(reader.number(word, 0)));
        } else if (word == QLatin1String("--send")) {
            rawAfter.append(int(keys.size()));
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
            infoGiven = true;
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
        } else if (word == QLatin1String("--log")) {
            options.log = true;
        } else if (options.deck && word == QLatin1String("--keys")) {
            const QString layout = reader.value(word);
            const int columns = layout.section(QLatin1Char('x'), 0, 0).toInt();
            const int rows = layout.section(QLatin1Char('x'), 1).toInt();
            if (columns < 1 || rows < 1 || columns * rows > 64)
                reader.fail(QStringLiteral("--keys takes COLUMNSxROWS, at most 64 keys, not \"%1\"")
                                .arg(layout));
            options.deckColumns = columns;
            options.deckRows = rows;
        } else if (options.deck && word == QLatin1String("--dials")) {
            options.deckDials = reader.number(word, 0);
            if (options.deckDials > 6)
                reader.fail(QStringLiteral("--dials takes 0 to 6, as devices have, not %1")
                                .arg(options.deckDials));
        } else if (options.deck && word == QLatin1String("--open")) {
            options.openDeck = true;
        } else if (word == QLatin1String("--cmd")) {
            options.cmdDir = reader.value(word);
        } else if (word == QLatin1String("--keep")) {
            options.keepFile = reader.value(word);
        } else if (word == QLatin1String("--save-images")) {
            options.saveImagesDir = reader.value(word);
        } else if (word == QLatin1String("--verbose")) {
            options.verbose = true;
        } else if (word == QLatin1String("--strict")) {
            options.strict = true;
        } else if (word == QLatin1String("--help") || word == QLatin1String("-h")) {
            options.help = true;
        } else if (word.startsWith(QLatin1Char('-'))) {
            reader.fail(QStringLiteral("unknown option %1 (see --help)").arg(word));
        } else {
            reader.fail(QStringLiteral("unexpected \"%1\": events start with press, release, "
                                       "appear, disappear, settings, rotate, dialdown, dialup, "
                                       "tap or --send (see --help)")
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
    // The plugin runs in a working directory of its own: a relative path is taken from here.
    options.plugin = plugin.absoluteFilePath();
    if (!options.cmdDir.isEmpty()) {
        const QFileInfo folder(options.cmdDir);
        if (!folder.isDir()) {
            options.error = QStringLiteral("--cmd %1 is no folder").arg(options.cmdDir);
            return options;
        }
        options.cmdDir = folder.absoluteFilePath();
    }
    if (!options.saveImagesDir.isEmpty()) {
        // Said now, with the system's reason, rather than for every image.
        QDir().mkpath(options.saveImagesDir);
        QTemporaryFile probe(
            QDir(options.saveImagesDir).filePath(QStringLiteral(".keyscript-host-XXXXXX")));
        if (!probe.open()) {
            options.error = QStringLiteral("cannot write images to %1: %2")
                                .arg(options.saveImagesDir, probe.errorString());
            return options;
        }
    }
    // As the host describes itself, with a device of the deck's size.
    if (!infoGiven)
        options.info = hostInfo(device, options.deckColumns, options.deckRows, options.uuid,
                                QStringLiteral(KEYSCRIPT_VERSION));
    if (options.uuid.isEmpty() || options.registerEvent.isEmpty() || options.info.isEmpty()) {
        options.error = QStringLiteral("--uuid, --register-event and --info may not be empty: the "
                                       "plugin would not connect");
        return options;
    }

    // Every round sends the key events in order, each raw event where it stood among them. Each
    // press is a key of its own, key-N for the Nth press; another event without a context goes
    // to the key of the last event of its action, or to a key of its own.
    // Every round sends the key events in order, each raw event and wait where it stood among
    // them. An event without --context goes to its action's key, the same in every round and
    // for the whole session: the last --context given for the action, else key-1 for the first
    // action, key-2 for the next.
    options.keyOfAction = knownKeys;
    options.repeats = repeat - 1;
    for (int round = 0; round < qMin(repeat, 2); ++round) {
        HostOptions::Round &to = round == 0 ? options.first : options.repeated;
        qsizetype raw = 0;
        for (int i = 0; i <= keys.size(); ++i) {
            for (; raw < rawEvents.size() && rawAfter.at(raw) == i; ++raw)
                to.events.append(rawEvents.at(raw));
            if (i == keys.size())
                break;
            const KeyAction &key = keys.at(i);
            // A --context given makes that key the action's from then on.
            QString context = key.context;
            if (context.isEmpty())
                context = options.keyOfAction.value(key.action);
            if (context.isEmpty())
                context = QStringLiteral("key-%1").arg(options.keyOfAction.size() + 1);
            options.keyOfAction.insert(key.action, context);
            to.events.append(eventText(key, key.event, context));
            if (key.event == QLatin1String("keyDown"))
                options.pressedActions.insert(key.action);
            if (key.forMs >= 0)
                to.delayed.append(
                    {key.forMs, eventText(key, QStringLiteral("willDisappear"), context)});
        }
    }
    return options;
}
