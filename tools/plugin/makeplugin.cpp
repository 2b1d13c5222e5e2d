#include "makeplugin.h"

#include "installerfile.h"
#include "placedactions.h"
#include "pluginfolder.h"
#include "pluginoptions.h"
#include "pluginplan.h"
#include "zipwriter.h"

#include "runner/scriptlookup.h"

#include <QDir>
#include <QFileInfo>
#include <QLockFile>
#include <QTemporaryDir>

#include <cstdio>

namespace {

enum ExitCode {
    Made = 0,
    UsageError = 2,
    Refused = 9,
    NotMade = 10,
    WouldDropActions = 11,
    Interrupted = 130
};

// How long a run waits for another that makes the same folder.
constexpr int lockWaitMs = 30000;

void say(FILE *stream, const QString &line)
{
    fprintf(stream, "%s\n", qPrintable(line));
}

// Unpacks the programs of --from into unpacked and takes its system for the plugin's; an exit
// code other than Made when it cannot, said on standard error.
int unpackPrograms(PluginOptions &options, const QTemporaryDir &unpacked)
{
    PluginSystem system = options.system;
    InstallerFile::watchInterrupts(true);
    const QString error =
        unpacked.isValid()
            ? InstallerFile::unpackPrograms(options.fromFile, unpacked.path(), &system)
            : unpacked.errorString();
    InstallerFile::watchInterrupts(false);
    if (InstallerFile::interrupted()) {
        say(stderr, QStringLiteral("keyscript-host: interrupted; nothing was made"));
        return Interrupted;
    }
    if (!error.isEmpty()) {
        say(stderr, QStringLiteral("keyscript-host: ") + error);
        return NotMade;
    }
    const QString file = QDir::toNativeSeparators(options.fromFile);
    if ((options.systemGiven && system != options.system) ||
        (options.install && system != PluginOptions::defaultSystem())) {
        say(stderr, QStringLiteral("keyscript-host: --from %1 holds keyscript for %2: %3")
                        .arg(file,
                             system == PluginSystem::Windows ? QStringLiteral("Windows")
                                                             : QStringLiteral("macOS"),
                             options.install
                                 ? QStringLiteral("--install puts a plugin for this system into "
                                                  "the host; make that one with --out")
                                 : QStringLiteral("--for asks for the other system")));
        return UsageError;
    }
    // Files on Windows carry no executable mark, which a Mac plugin's scripts need.
    if (system == PluginSystem::Mac && PluginOptions::defaultSystem() == PluginSystem::Windows) {
        say(stderr, QStringLiteral("keyscript-host: --from %1 holds keyscript for macOS, whose "
                                   "scripts must be executable, and files on Windows cannot be "
                                   "marked so: make the Mac plugin on macOS or Linux, with "
                                   "--from there")
                        .arg(file));
        return UsageError;
    }
    options.system = system;
    return Made;
}

} // namespace

int makePlugin(const QStringList &arguments, const QString &programDir)
{
    PluginOptions options = PluginOptions::parse(arguments, scriptFolder(programDir));
    if (options.help) {
        fputs(qPrintable(PluginOptions::usage()), stdout);
        return Made;
    }
    if (!options.error.isEmpty()) {
        say(stderr, QStringLiteral("keyscript-host: ") + options.error);
        return UsageError;
    }
    // keyscript's programs from an installer file: the plugin is for the system they are for.
    QTemporaryDir unpacked;
    QString programs = programDir;
    if (!options.fromFile.isEmpty()) {
        if (const int refused = unpackPrograms(options, unpacked); refused != Made)
            return refused;
        programs = unpacked.path();
    }
    // This keyscript-host's program is this system's: a folder for another system would carry
    // a program that cannot run there.
    if (options.fromFile.isEmpty() && options.systemGiven &&
        (!PluginOptions::hostRunsHere() || options.system != PluginOptions::defaultSystem())) {
        const bool windows = options.system == PluginSystem::Windows;
        say(stderr, QStringLiteral("keyscript-host: --for %1 needs keyscript's program for %2, "
                                   "which is not here: this keyscript-host is for another "
                                   "system. Give --from with keyscript's installer file for %2, "
                                   "or make the plugin with the keyscript-host in keyscript's "
                                   "folder there%3")
                        .arg(windows ? QStringLiteral("windows") : QStringLiteral("mac"),
                             windows ? QStringLiteral("Windows") : QStringLiteral("macOS"),
                             windows ? QStringLiteral(" (or under Wine)") : QString()));
        return NotMade;
    }
    QString hostFolder;
    if (options.install) {
        hostFolder = PluginFolder::hostPluginsFolder();
        if (!hostFolder.isEmpty() && !QDir(hostFolder).exists()) {
            say(stderr, QStringLiteral("keyscript-host: the host's plugins folder %1 is not "
                                       "there: is the host installed for this user?")
                            .arg(QDir::toNativeSeparators(hostFolder)));
            return NotMade;
        }
        if (!hostFolder.isEmpty())
            options.outDir = hostFolder;
    }

    // One run at a time makes a folder: a second one waits a while, then says why it stops.
    const QString folderName = options.identity.uuid + QLatin1String(".sdPlugin");
    if (!QDir().mkpath(options.outDir)) {
        say(stderr, QStringLiteral("keyscript-host: cannot make the folder %1")
                        .arg(QDir::toNativeSeparators(options.outDir)));
        return NotMade;
    }
    QLockFile lock(PluginFolder::lockPath(options.outDir, folderName));
    // Stale when the run that holds it has gone, or when it is unreadable and old.
    lock.setStaleLockTime(10 * 60 * 1000);
    if (!lock.tryLock(lockWaitMs)) {
        say(stderr,
            QStringLiteral("keyscript-host: %1 is being made by another run of "
                           "keyscript-host; run this again once it has finished")
                .arg(QDir::toNativeSeparators(QDir(options.outDir).absoluteFilePath(folderName))));
        return NotMade;
    }
    if (QFileInfo(options.outDir).canonicalFilePath() ==
        QFileInfo(options.scriptsFolder).canonicalFilePath())
        say(stderr, QStringLiteral("keyscript-host: note: made in the scripts' folder %1 (where "
                                   "you are), and never copied into a later plugin; --out DIR "
                                   "makes it elsewhere")
                        .arg(QDir::toNativeSeparators(options.scriptsFolder)));

    const PluginPlan plan = PluginPlan::read(options.scriptsFolder, options.identity,
                                             options.system, options.followLinks, options.outDir);
    for (const QString &note : plan.notes)
        say(stderr, QStringLiteral("keyscript-host: note: ") + note);
    if (!plan.leftOut.isEmpty() && !options.link)
        say(stderr, QStringLiteral("keyscript-host: note: left out of the plugin:\n  ") +
                        plan.leftOut.join(QLatin1String("\n  ")));
    for (const QString &link : options.link ? QStringList() : plan.followed)
        say(stdout, QStringLiteral("Copied from outside the scripts' folder: ") + link);
    if (!plan.errors.isEmpty()) {
        for (const QString &error : plan.errors)
            say(stderr, QStringLiteral("keyscript-host: ") + error);
        say(stderr, QStringLiteral("keyscript-host: no plugin made: mend the scripts in %1 and "
                                   "run this again")
                        .arg(QDir::toNativeSeparators(options.scriptsFolder)));
        return Refused;
    }
    if (const QStringList risks = placedActionsAtRisk(plan, options.outDir);
        !risks.isEmpty() && !options.dropActions) {
        for (const QString &risk : risks)
            say(stderr, QStringLiteral("keyscript-host: ") + risk);
        say(stderr, QStringLiteral("keyscript-host: no plugin made: keys placed with those "
                                   "actions would become keys of a missing action. Bring their "
                                   "scripts back, or give --drop-actions to drop them"));
        return WouldDropActions;
    }
    if (const QString error = PluginFolder::make(plan, programs, options.outDir, options.link);
        !error.isEmpty()) {
        say(stderr, QStringLiteral("keyscript-host: ") + error);
        return NotMade;
    }

    const QString folder =
        QDir::toNativeSeparators(QDir(options.outDir).absoluteFilePath(plan.folderName()));
    say(stdout, QStringLiteral("Made %1 with %2 action(s):").arg(folder).arg(plan.actions.size()));
    for (const PluginAction &action : plan.actions)
        say(stdout, QStringLiteral("  %1  %2").arg(action.uuid, action.name));
    if (!PluginOptions::hostRunsHere() && options.fromFile.isEmpty())
        say(stderr, QStringLiteral("keyscript-host: note: made for trying here, with "
                                   "keyscript-host and the host's validator; the host cannot "
                                   "run it, since its program is this system's. Make the real "
                                   "plugin on Windows or macOS, with the keyscript-host in "
                                   "keyscript's folder there."));
    if (options.pack) {
        const QString file =
            QDir(options.outDir)
                .absoluteFilePath(plan.identity.uuid + QLatin1String(".streamDeckPlugin"));
        if (const QString error =
                ZipWriter::pack(QDir(options.outDir).absoluteFilePath(plan.folderName()), file);
            !error.isEmpty()) {
            say(stderr, QStringLiteral("keyscript-host: no installer file: ") + error);
            return NotMade;
        }
        say(stdout, QStringLiteral("Packed %1: opened on a computer with the host, it installs "
                                   "the plugin there.")
                        .arg(QDir::toNativeSeparators(file)));
    }
    if (options.install && hostFolder.isEmpty()) {
        say(stderr, QStringLiteral("keyscript-host: not installed: the host runs on Windows and "
                                   "macOS, and has no plugins folder here. Copy the folder to "
                                   "its plugins folder there."));
        return NotMade;
    }
    if (options.link)
        say(stdout,
            QStringLiteral("Its cmd/ leads to %1: an edited script applies at its next "
                           "press. A new or renamed action, a changed header or picture "
                           "needs this run again%2.")
                .arg(QDir::toNativeSeparators(options.scriptsFolder),
                     options.install ? QStringLiteral(" and a restart of the host") : QString()));
    if (options.install)
        say(stdout, QStringLiteral("Installed. Restart the host to see new actions: they are "
                                   "under \"%1\" in its list of actions.")
                        .arg(plan.identity.name));
    return Made;
}
