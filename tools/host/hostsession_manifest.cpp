// HostSession: what the host reads from the plugin's manifest and folder: the actions, a
// dial's layout and a key's picture before the plugin draws one.
#include "hostsession.h"

#include "dataimage.h"
#include "plugin/pluginplan.h"
#include "runner/scriptimage.h"
#include "runner/scriptlookup.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>

std::optional<PluginManifest> HostSession::readManifest() const
{
    // The author's scripts, as the plugin maker would make them into a plugin.
    if (!options.cmdDir.isEmpty()) {
#ifdef Q_OS_WIN
        const PluginSystem system = PluginSystem::Windows;
#else
        const PluginSystem system = PluginSystem::Mac;
#endif
        const PluginIdentity identity{QStringLiteral("org.keyscript.tried"),
                                      QStringLiteral("keyscript-host"),
                                      QStringLiteral("0.0.0.0"),
                                      QString(),
                                      QString(),
                                      QString()};
        PluginPlan plan = PluginPlan::read(options.cmdDir, identity, system);
        plan.addTypedActions(); // the plugin serves them in any folder
        return plan.pluginManifest();
    }
    // The folder whose bin/ holds the plugin.
    return PluginManifest::read(QFileInfo(options.plugin).absoluteDir().filePath(".."));
}

QJsonValue HostSession::dialLayout(const KeyStore::Key &key) const
{
    QString layout = key.layout;
    if (layout.isEmpty()) {
        const PluginManifest *manifest = keys.pluginManifest();
        const PluginManifest::Action *entry = manifest ? manifest->action(key.action) : nullptr;
        layout = entry ? entry->encoderLayout : QString();
    }
    if (layout.isEmpty())
        return QStringLiteral("$X1");
    if (layout.startsWith(QLatin1Char('$')))
        return layout;
    // A path in the plugin's folder; what the maker would make of --cmd has its cmd/ there. The
    // host reads nothing outside the folder, a link's target included.
    QString folder = QFileInfo(options.plugin).absoluteDir().filePath(QStringLiteral(".."));
    QString relative = layout;
    const QString scripts = QStringLiteral("cmd/");
    if (!options.cmdDir.isEmpty() && layout.startsWith(scripts)) {
        folder = options.cmdDir;
        relative = layout.mid(scripts.size());
    }
    const QString file = QDir(folder).filePath(relative);
    const QString real = QFileInfo(file).canonicalFilePath();
    const QString root = QFileInfo(folder).canonicalFilePath() + QLatin1Char('/');
    QFile in(file);
    if (!isLayoutReference(layout) || real.isEmpty() || !real.startsWith(root) ||
        !QFileInfo(file).isFile() || QFileInfo(file).size() > 1024 * 1024 ||
        !in.open(QIODevice::ReadOnly))
        return QJsonObject{
            {QStringLiteral("error"), QStringLiteral("no layout file %1").arg(layout)}};
    const QJsonObject read = QJsonDocument::fromJson(in.readAll()).object();
    return QJsonObject{{QStringLiteral("items"), read.value(QLatin1String("items")).toArray()}};
}

QString HostSession::stateImage(const QString &action, int state) const
{
    const PluginManifest *manifest = keys.pluginManifest();
    const PluginManifest::Action *entry = manifest ? manifest->action(action) : nullptr;
    if (!entry || entry->stateImages.isEmpty())
        return QString();
    const QString stem =
        entry->stateImages.at(qBound(0, state, int(entry->stateImages.size()) - 1));
    // The manifest names a path without its extension. What the maker would make of --cmd is
    // not made: its pictures are the author's beside the scripts, or keyscript's own.
    QString base = QFileInfo(options.plugin).absoluteDir().filePath(QStringLiteral("../") + stem);
    const QString authors = QStringLiteral("images/actions/");
    if (!options.cmdDir.isEmpty())
        base = stem.startsWith(authors) ? QDir(options.cmdDir).filePath(stem.mid(authors.size()))
                                        : QStringLiteral(":/plugin/") + stem;
    for (const char *suffix : {".svg", ".png"}) {
        const QString file = base + QLatin1String(suffix);
        // keyscript's own pictures are in the program; any other is read as a script's is,
        // within its bound and never from a FIFO.
        if (file.startsWith(QLatin1String(":/"))) {
            QFile own(file);
            if (own.open(QIODevice::ReadOnly))
                return ScriptImage::fromValue(QString::fromUtf8(own.readAll()), QString()).image;
        } else if (const ScriptImage image = ScriptImage::fromValue(file, QString());
                   image.error.isEmpty()) {
            return image.image;
        }
    }
    return QString();
}
