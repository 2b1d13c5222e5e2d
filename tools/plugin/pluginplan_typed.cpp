// The actions keyscript's own plugin serves without a file in cmd/: Run and Watch, whose script
// is typed on the key's settings page.
#include "pluginplan.h"

#include "runner/typedscript.h"

#include <algorithm>

void PluginPlan::addTypedActions()
{
    PluginAction run;
    run.uuid = TypedActions::run();
    run.name = QStringLiteral("Run");
    run.tooltip = QStringLiteral("Runs the script typed on its settings page when pressed");
    run.stateImages = QStringList{QString()}; // keyscript's own key
    PluginAction watch;
    watch.uuid = TypedActions::watch();
    watch.name = QStringLiteral("Watch");
    watch.tooltip = QStringLiteral("Runs the script typed on its settings page every few "
                                   "seconds: green when it succeeds, red when it fails");
    watch.states = 2;
    watch.stateNames = QStringList{QStringLiteral("Succeeded"), QStringLiteral("Failed")};
    watch.stateImages =
        QStringList{QStringLiteral("images/watch-ok"), QStringLiteral("images/watch-failed")};
    for (PluginAction *action : {&run, &watch}) {
        // A dial runs it too: its output shows as the strip's value.
        action->dial = true;
        action->layout = QStringLiteral("$A1");
        const auto same = [action](const PluginAction &a) { return a.uuid == action->uuid; };
        if (std::any_of(actions.cbegin(), actions.cend(), same)) {
            errors << QStringLiteral("%1: keyscript's own action, whose script is typed on the "
                                     "key; its scripts' folder cannot serve it")
                          .arg(action->uuid);
            continue;
        }
        actions.insert(std::lower_bound(actions.begin(), actions.end(), *action,
                                        [](const PluginAction &a, const PluginAction &b) {
                                            return a.uuid < b.uuid;
                                        }),
                       *action);
    }
}
