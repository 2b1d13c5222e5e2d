// PluginPlan: actions for dials. A script for a dial's event makes its action a dial's; its
// header names the strip's layout and the words for its gestures, and a layout file is checked
// as the host would read it.
#include "pluginplan.h"

#include "layoutcheck.h"
#include "runner/scriptlookup.h"

#include <QDir>
#include <QFile>
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
    if (!document.isObject()) {
        errors << QStringLiteral("%1: no layout: a JSON object with \"id\" and \"items\" is (%2)")
                      .arg(file, parseError.errorString());
        return;
    }
    for (const QString &problem : LayoutCheck::problems(document.object()))
        errors << file + QLatin1String(": ") + problem;
}
