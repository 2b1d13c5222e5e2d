#include "pluginplan.h"

#include "runner/scriptheader.h"
#include "runner/scriptimage.h"
#include "runner/scriptlookup.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <algorithm>
#include <utility>

namespace {

QString systemName(PluginSystem system)
{
    return system == PluginSystem::Windows ? QStringLiteral("Windows")
                                           : QStringLiteral("macOS and Linux");
}

// The action whose picture the file is: ACTION.svg, ACTION.0.png, ACTION.icon.svg, with @2x;
// empty for any other file.
QString actionOfImage(const QString &file)
{
    if (file.contains(QLatin1Char('/')) || !ScriptImage::isImageFile(file))
        return QString();
    QString stem = QFileInfo(file).completeBaseName();
    if (stem.endsWith(QLatin1String("@2x")))
        stem.chop(3);
    static const QRegularExpression part(QStringLiteral("\\.(icon|dial|[0-9])$"));
    return stem.remove(part);
}

} // namespace

bool PluginPlan::isUuid(const QString &text)
{
    static const QRegularExpression uuid(QStringLiteral("^[a-z0-9-]+(\\.[a-z0-9-]+)+$"));
    return uuid.match(text).hasMatch();
}

QString PluginPlan::programName() const
{
    return system == PluginSystem::Windows ? QStringLiteral("keyscript.exe")
                                           : QStringLiteral("keyscript");
}

PluginPlan PluginPlan::read(const QString &scriptsFolder, const PluginIdentity &identity,
                            PluginSystem system, bool followLinks, const QString &outDir)
{
    PluginPlan plan;
    plan.identity = identity;
    plan.system = system;
    plan.scriptsFolder = scriptsFolder;
    plan.followLinks = followLinks;
    plan.root = QFileInfo(scriptsFolder).canonicalFilePath();
    if (!outDir.isEmpty())
        plan.excludedFolder = QFileInfo(outDir).canonicalFilePath();
    // Hidden entries (.git, an editor's swap files) are no part of anyone's keys.
    const QStringList names =
        QDir(scriptsFolder)
            .entryList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot | QDir::System, QDir::Name);
    QHash<QString, QStringList> otherSystem; // actions with scripts for the other system only
    for (const QString &name : names)
        plan.readEntry(name, otherSystem);
    plan.gatherHeaders(otherSystem);
    plan.orderWatchedApps();
    plan.noteOneSystemEvents(otherSystem);
    if (identity.uuid == QLatin1String("org.keyscript"))
        plan.addTypedActions();

    for (auto it = otherSystem.cbegin(); it != otherSystem.cend(); ++it) {
        const bool served =
            std::any_of(plan.actions.cbegin(), plan.actions.cend(),
                        [&it](const PluginAction &a) { return a.uuid == it.key(); });
        if (!served) {
            plan.notes << QStringLiteral("%1: left out, since its scripts (%2) are not for %3")
                              .arg(it.key(), it.value().join(QStringLiteral(", ")),
                                   systemName(system));
            // Its pictures go with it.
            plan.copied.removeIf(
                [&it](const QString &file) { return actionOfImage(file) == it.key(); });
        }
    }
    if (plan.actions.isEmpty() && plan.errors.isEmpty())
        plan.errors << QStringLiteral("%1: no scripts for %2 here, so the plugin would have no "
                                      "actions")
                           .arg(QDir::toNativeSeparators(scriptsFolder), systemName(system));
    return plan;
}

void PluginPlan::readEntry(const QString &name, QHash<QString, QStringList> &otherSystem)
{
    const QFileInfo info(QDir(scriptsFolder).filePath(name));
    // The profiles the plugin ships, which are all the host lets it switch to.
    if (name == QLatin1String("profiles") && info.isDir()) {
        const QDir folder(info.absoluteFilePath());
        for (const QFileInfo &profile :
             folder.entryInfoList({QStringLiteral("*.streamDeckProfile")}, QDir::Files, QDir::Name))
            profiles << profile.completeBaseName();
        return;
    }
    const Entry entry = classify(name, info);
    if (entry == Entry::LeftOut)
        return;
    if (entry == Entry::Folder) {
        addFolder(name); // the plugin looks for scripts in cmd/ only; a folder holds their files
        return;
    }
    if (ScriptImage::isImageFile(name) || name.endsWith(QLatin1String(".json"))) {
        copied << name; // pictures the scripts show, the actions' icons, and dials' layouts
        return;
    }
    const QString suffix = info.suffix().toLower();
    const bool windowsFile = suffix == QLatin1String("exe") || suffix == QLatin1String("bat") ||
                             suffix == QLatin1String("cmd") || suffix == QLatin1String("ps1");
    const bool forWindows = system == PluginSystem::Windows;
    if (windowsFile != forWindows) {
        const QString stem = windowsFile ? info.completeBaseName() : name;
        otherSystem[stem.section(QLatin1Char('@'), 0, 0)] << name;
        return;
    }
    addScript(name, forWindows ? info.completeBaseName() : name);
}

void PluginPlan::addScript(const QString &fileName, const QString &stem)
{
    const QString action = stem.section(QLatin1Char('@'), 0, 0);
    const QString event = stem.section(QLatin1Char('@'), 1);
    const QString path = QDir(scriptsFolder).filePath(fileName);
    if (stem.contains(QLatin1Char('@')) && !scriptEvents().contains(event)) {
        errors << QStringLiteral("%1: \"%2\" is no event with a script of its own; those are "
                                 "@%3")
                      .arg(fileName, event, scriptEvents().join(QStringLiteral(", @")));
        return;
    }
    if (!isUuid(action)) {
        errors << QStringLiteral("%1: \"%2\" is no action name the host accepts: lower-case "
                                 "letters, digits and \"-\" in reverse-DNS form, such as "
                                 "%3.mute")
                      .arg(fileName, action, identity.uuid);
        return;
    }
    if (system == PluginSystem::Mac) {
        if (!QFileInfo(path).isExecutable())
            errors << QStringLiteral("%1: not executable, so the plugin cannot run it (chmod +x "
                                     "it; files your scripts only read belong in a subfolder)")
                          .arg(fileName);
        else if (interpreterLineEndsInCarriageReturn(path))
            errors << QStringLiteral("%1: line 1: the #! line ends in a carriage return (saved "
                                     "with Windows line ends), so its interpreter is not found")
                          .arg(fileName);
    }
    if (!action.startsWith(identity.uuid + QLatin1Char('.')) && !stem.contains(QLatin1Char('@')))
        notes << QStringLiteral("%1: the host wants an action's name to begin with the plugin's "
                                "UUID, %2.")
                     .arg(action, identity.uuid);
    copied << fileName;
    auto it = std::find_if(actions.begin(), actions.end(),
                           [&action](const PluginAction &a) { return a.uuid == action; });
    if (it == actions.end()) {
        PluginAction added;
        added.uuid = action;
        it = actions.insert(std::lower_bound(actions.begin(), actions.end(), added,
                                             [](const PluginAction &a, const PluginAction &b) {
                                                 return a.uuid < b.uuid;
                                             }),
                            added);
    }
    // The press script first: its header is the one an author looks for.
    if (stem == action)
        it->scripts.prepend(fileName);
    else
        it->scripts << fileName;
}

void PluginPlan::gatherHeaders(const QHash<QString, QStringList> &otherSystem)
{
    const QDir folder(scriptsFolder);
    for (PluginAction &action : actions) {
        ScriptHeader::Field name, tooltip, states, userTitle;
        QString nameFrom, tooltipFrom, statesFrom, userTitleFrom;
        QList<ScriptHeader> headers;
        // What a script says of its action is kept where none said it before, and must agree
        // with what was said. The other system's scripts (elsewhere) only compare: they make
        // the same action there.
        const auto take = [&](const QString &script, const ScriptHeader &header, bool elsewhere) {
            const auto field = [&](const ScriptHeader::Field &given, ScriptHeader::Field &kept,
                                   QString &from, const char *word) {
                if (given.line == 0 || (elsewhere && kept.line == 0))
                    return;
                if (kept.line == 0) {
                    kept = given;
                    from = script;
                } else if (given.value != kept.value) {
                    errors << QStringLiteral("%1: line %2: \"keyscript %3:\" says \"%4\", but %5 "
                                             "line %6 says \"%7\"; %8")
                                  .arg(script)
                                  .arg(given.line)
                                  .arg(QLatin1String(word), given.value, from)
                                  .arg(kept.line)
                                  .arg(kept.value,
                                       elsewhere ? QStringLiteral("the scripts of both systems "
                                                                  "make one action: say the same")
                                                 : QStringLiteral("give it once"));
                }
            };
            field(header.name, name, nameFrom, "name");
            field(header.tooltip, tooltip, tooltipFrom, "tooltip");
            field(header.states, states, statesFrom, "states");
            field(header.userTitle, userTitle, userTitleFrom, "user-title");
        };
        for (const QString &script : std::as_const(action.scripts)) {
            if (script.endsWith(QLatin1String(".exe"), Qt::CaseInsensitive))
                continue; // a program has no comment lines to read
            QFile file(folder.filePath(script));
            if (!file.open(QIODevice::ReadOnly)) {
                errors << QStringLiteral("%1: cannot be read: %2").arg(script, file.errorString());
                continue;
            }
            const ScriptHeader header = ScriptHeader::read(file.read(16384));
            for (const QString &error : header.errors)
                errors << script + QLatin1String(": ") + error;
            take(script, header, false);
            readPluginHeaders(script, header);
            headers << header;
        }
        // The other system's scripts of the action make the same action there: what they say
        // of it must agree with this system's, or the two plugins would differ unseen.
        for (const QString &script : otherSystem.value(action.uuid)) {
            QFile file(folder.filePath(script));
            if (script.endsWith(QLatin1String(".exe"), Qt::CaseInsensitive) ||
                !QFileInfo(file).isFile() || !file.open(QIODevice::ReadOnly))
                continue;
            const ScriptHeader header = ScriptHeader::read(file.read(16384));
            take(script, header, true);
            readPluginHeaders(script, header);
        }
        readDialHeaders(action, headers);
        action.name = name.line ? name.value : action.uuid.section(QLatin1Char('.'), -1);
        action.tooltip = tooltip.value;
        action.stateNames = ScriptHeader::stateNames(states.value);
        action.states = !action.stateNames.isEmpty()         ? int(action.stateNames.size())
                        : states.value == QLatin1String("2") ? 2
                                                             : 1;
        action.userTitle = userTitle.value != QLatin1String("off");
        findImages(action);
    }
}

void PluginPlan::findImages(PluginAction &action)
{
    const QDir folder(scriptsFolder);
    // STEM.svg or STEM.png, with STEM@2x.png beside a PNG for screens of twice the density;
    // the image's path in the manifest, or empty when the author drew none.
    const auto find = [&](const QString &stem) {
        for (const char *suffix : {".svg", ".png"}) {
            const QString file = stem + QLatin1String(suffix);
            if (!copied.contains(file))
                continue;
            action.imageFiles << file;
            if (copied.contains(stem + QLatin1String("@2x.png")) &&
                file.endsWith(QLatin1String(".png")))
                action.imageFiles << stem + QLatin1String("@2x.png");
            return QLatin1String("images/actions/") + stem;
        }
        return QString();
    };
    action.image = find(action.uuid);
    for (int state = 0; state < action.states; ++state) {
        const QString image = find(action.uuid + QLatin1Char('.') + QString::number(state));
        action.stateImages << (image.isEmpty() ? action.image : image);
    }
    action.icon = find(action.uuid + QLatin1String(".icon"));
    if (action.dial)
        action.dialIcon = find(action.uuid + QLatin1String(".dial"));
}
