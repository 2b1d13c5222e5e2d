#include "hostoptions.h"

#include "argumentreader.h"
#include "eventtext.h"
#include "keyaction.h"

#include "runner/deeplink.h"
#include "runner/scriptlookup.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryFile>
#include <QUuid>

#include <algorithm>

namespace {

// The events of the host itself, of no key: "deeplink URL", "launch APP", "terminate APP",
// "wake" and "device-change [--name NAME] [--keys COLUMNSxROWS]". Returns the event's JSON text
// (a device-change's is made once the device is known: "device-change" and its changes); none
// when word names none of them.
QString readHostEvent(ArgumentReader &reader, const QString &word)
{
    if (word == QLatin1String("deeplink")) {
        const QString url = reader.value(word);
        QString refusal;
        const QString event = DeepLink::event(url, QString(), &refusal);
        if (event.isEmpty())
            reader.fail(QStringLiteral("deeplink takes the URL the host routes to the plugin, "
                                       "streamdeck://plugins/message/UUID/..., not \"%1\"")
                            .arg(url));
        return event;
    }
    if (word == QLatin1String("launch") || word == QLatin1String("terminate"))
        return hostEvent(word == QLatin1String("launch")
                             ? QStringLiteral("applicationDidLaunch")
                             : QStringLiteral("applicationDidTerminate"),
                         QJsonObject{{QStringLiteral("application"), reader.value(word)}});
    if (word == QLatin1String("wake"))
        return hostEvent(QStringLiteral("systemDidWakeUp"));
    if (word == QLatin1String("device-change")) {
        QString change = word;
        while (reader.peekIs(QStringLiteral("--name")) || reader.peekIs(QStringLiteral("--keys"))) {
            const QString option = reader.next();
            change += QLatin1Char('\n') + option + QLatin1Char('\n') + reader.value(option);
        }
        return change;
    }
    return QString();
}

// COLUMNSxROWS, at most 64 keys, as --keys gives it.
bool readKeys(ArgumentReader &reader, const QString &option, const QString &layout,
              HostDevice &device)
{
    const int columns = layout.section(QLatin1Char('x'), 0, 0).toInt();
    const int rows = layout.section(QLatin1Char('x'), 1).toInt();
    if (columns < 1 || rows < 1 || columns * rows > 64) {
        reader.fail(QStringLiteral("%1 takes COLUMNSxROWS, at most 64 keys, not \"%2\"")
                        .arg(option, layout));
        return false;
    }
    device.columns = columns;
    device.rows = rows;
    return true;
}

} // namespace

HostOptions HostOptions::parse(const QStringList &arguments, const QString &defaultPlugin,
                               const QHash<QString, QString> &knownKeys, const HostDevice *played)
{
    HostOptions options;
    options.plugin = defaultPlugin;
    options.uuid = QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper();
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
        if (!KeyAction::eventOf(word).isEmpty()) {
            keys.append(KeyAction::read(reader, word, options.device));
        } else if (const QString event = readHostEvent(reader, word); !event.isEmpty()) {
            rawAfter.append(int(keys.size()));
            rawEvents.append(event);
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
            options.infoGiven = true;
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
            HostDevice deck;
            if (readKeys(reader, word, reader.value(word), deck)) {
                options.deckColumns = deck.columns;
                options.deckRows = deck.rows;
            }
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
                                       "appear, disappear, settings, resources, rotate, "
                                       "dialdown, dialup, tap, deeplink, launch, terminate, "
                                       "wake, device-change or --send (see --help)")
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
    // The device played: the deck's, or one of the standard size; one with dials for the events
    // of a dial.
    if (played) {
        options.device = *played;
    } else if (options.deck) {
        options.device.columns = options.deckColumns;
        options.device.rows = options.deckRows;
        options.device.dials = options.deckDials;
    } else if (std::any_of(keys.cbegin(), keys.cend(),
                           [](const KeyAction &key) { return isDialEvent(key.event); })) {
        options.device.columns = 4;
        options.device.rows = 2;
        options.device.dials = 4;
    }
    // As the host describes itself; the session puts in the UUID of the plugin's manifest.
    if (!options.infoGiven)
        options.info = hostInfo(options.device, options.uuid, QStringLiteral(KEYSCRIPT_VERSION));
    // What the device changes to, each change from the device as the last one left it.
    options.changedDevice = options.device;
    for (QString &event : rawEvents) {
        if (!event.startsWith(QLatin1String("device-change")))
            continue;
        const QStringList parts = event.split(QLatin1Char('\n'));
        HostDevice &changed = options.changedDevice;
        for (qsizetype i = 1; i + 1 < parts.size(); i += 2) {
            if (parts.at(i) == QLatin1String("--name"))
                changed.name = parts.at(i + 1);
            else
                readKeys(reader, parts.at(i), parts.at(i + 1), changed);
        }
        event = changed.event(QStringLiteral("deviceDidChange"));
    }
    if (!options.error.isEmpty())
        return options;
    if (options.uuid.isEmpty() || options.registerEvent.isEmpty() || options.info.isEmpty()) {
        options.error = QStringLiteral("--uuid, --register-event and --info may not be empty: the "
                                       "plugin would not connect");
        return options;
    }

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
            to.events.append(key.text(key.event, context));
            if (key.event == QLatin1String("keyDown"))
                options.pressedActions.insert(key.action);
            if (key.forMs >= 0)
                to.delayed.append({key.forMs, key.text(QStringLiteral("willDisappear"), context)});
        }
    }
    return options;
}
