// PluginPlan: actions for dials. A script for a dial's event makes its action a dial's; its
// header names the strip's layout and the words for its gestures, and a layout file is checked
// as the host would read it.
#include "pluginplan.h"

#include "runner/scriptlookup.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>

#include <algorithm>
#include <utility>

namespace {

// The event a script of the action serves: empty for its press script ("ACTION", "ACTION.bat"),
// else the name after its "@" ("ACTION@dialRotate.ps1" serves dialRotate).
QString eventOf(const QString &script, const QString &action)
{
    const QString rest = script.mid(action.size());
    return rest.startsWith(QLatin1Char('@')) ? rest.mid(1).section(QLatin1Char('.'), 0, 0)
                                             : QString();
}

// The strip of one dial is 200 by 100 pixels.
constexpr int stripWidth = 200;
constexpr int stripHeight = 100;

} // namespace

void PluginPlan::readDialHeaders(PluginAction &action, const QList<ScriptHeader> &headers)
{
    bool keyScript = false;
    for (const QString &script : std::as_const(action.scripts)) {
        const QString event = eventOf(script, action.uuid);
        action.dial = action.dial || isDialEvent(event);
        keyScript = keyScript || event.isEmpty() || event == QLatin1String("keyUp");
    }
    action.keypad = !action.dial || keyScript;
    for (const ScriptHeader &header : headers) {
        if (header.layout.line && action.layout.isEmpty())
            action.layout = header.layout.value;
        const struct
        {
            const ScriptHeader::Field &field;
            const char *name;
        } words[] = {{header.rotate, "Rotate"},
                     {header.push, "Push"},
                     {header.touch, "Touch"},
                     {header.longTouch, "LongTouch"}};
        for (const auto &word : words) {
            if (word.field.line && !action.triggerDescription.contains(QLatin1String(word.name)))
                action.triggerDescription.insert(QLatin1String(word.name), word.field.value);
        }
    }
    if (!action.layout.isEmpty() && !action.layout.startsWith(QLatin1Char('$')))
        checkLayoutFile(action.layout);
}

void PluginPlan::checkLayoutFile(const QString &file)
{
    if (!copied.contains(file)) {
        errors << QStringLiteral("%1: the layout a header names is not in the scripts' folder")
                      .arg(file);
        return;
    }
    QFile in(QDir(scriptsFolder).filePath(file));
    QJsonParseError parseError{};
    const QJsonDocument document = QJsonDocument::fromJson(
        in.open(QIODevice::ReadOnly) ? in.read(1024 * 1024) : QByteArray(), &parseError);
    const QJsonObject layout = document.object();
    if (!document.isObject() || !layout.value(QLatin1String("items")).isArray()) {
        errors << QStringLiteral("%1: no layout: a JSON object with \"items\" is (%2)")
                      .arg(file, parseError.errorString());
        return;
    }
    const QJsonArray items = layout.value(QLatin1String("items")).toArray();
    for (qsizetype index = 0; index < items.size(); ++index) {
        const QJsonObject item = items.at(index).toObject();
        const QString type = item.value(QLatin1String("type")).toString();
        const QString key = item.value(QLatin1String("key")).toString();
        const QJsonArray rect = item.value(QLatin1String("rect")).toArray();
        const auto fail = [&](const QString &why) {
            errors << QStringLiteral("%1: item %2%3: %4")
                          .arg(file)
                          .arg(index + 1)
                          .arg(key.isEmpty() ? QString() : QStringLiteral(" (\"%1\")").arg(key),
                               why);
        };
        static const QStringList types{QStringLiteral("text"), QStringLiteral("pixmap"),
                                       QStringLiteral("bar"), QStringLiteral("gbar")};
        if (!types.contains(type)) {
            fail(QStringLiteral("its type is text, pixmap, bar or gbar, not \"%1\"").arg(type));
        } else if (key.isEmpty()) {
            fail(QStringLiteral("it needs a \"key\", the name setFeedback gives its value by"));
        } else if (rect.size() != 4 ||
                   std::any_of(
                       rect.begin(), rect.end(),
                       [](const QJsonValue &v) { return !v.isDouble() || v.toInt() < 0; }) ||
                   rect.at(0).toInt() + rect.at(2).toInt() > stripWidth ||
                   rect.at(1).toInt() + rect.at(3).toInt() > stripHeight) {
            fail(QStringLiteral("its \"rect\" is [x, y, width, height] inside the dial's %1 by %2 "
                                "strip")
                     .arg(stripWidth)
                     .arg(stripHeight));
        }
    }
}
