// The help text of keyscript-host, kept apart from the parsing it describes.
#include "hostoptions.h"

QString HostOptions::usage()
{
    return QStringLiteral(
        R"(Usage: keyscript-host [options] [EVENT ACTION [event options]]...
       keyscript-host deck [--cmd DIR] [--keys COLUMNSxROWS] [--dials N] [--keep FILE] [--open]
       keyscript-host plugin [--cmd DIR] [--uuid U] [--name N] [--install] [options]

Plays the host for one keyscript plugin: listens on 127.0.0.1, starts the plugin with
-port, -pluginUUID, -registerEvent and -info, waits for its registration, sends the events
asked for, and prints every message the plugin sends back, one per line.

The deck serves a page on 127.0.0.1 (its address is printed) that shows a device of keys
(5x3 unless --keys says otherwise) to give actions, press, hold and edit, and with --dials N
(up to 6) a row of dials under them with the touch strip above; --open opens it in the
desktop's browser. It runs until it is interrupted (Ctrl+C).

plugin makes a plugin folder the host installs from a folder of scripts (see
keyscript-host plugin --help).

Events of a key, sent in the order given (the script that runs is in brackets):
  press ACTION            a key press (cmd/ACTION)
  release ACTION          the key let go (cmd/ACTION@keyUp)
  appear ACTION           the key comes into view (cmd/ACTION@willAppear)
    --for MS              and goes out of view again MS milliseconds later
  disappear ACTION        the key goes out of view (cmd/ACTION@willDisappear)
  settings ACTION         new settings for the key (cmd/ACTION@didReceiveSettings)
  resources ACTION --resources JSON
                          the action's resources, a JSON object (didReceiveResources)
  rotate ACTION --ticks N a dial turned N ticks, negative counter-clockwise
                          (cmd/ACTION@dialRotate); --pressed: while held down
  dialdown ACTION         the dial pushed (cmd/ACTION@dialDown)
  dialup ACTION           the dial let go (cmd/ACTION@dialUp)
  tap ACTION              the touch strip above the dial touched (cmd/ACTION@touchTap)
    --at X,Y              where, on the dial's 200 by 100 canvas (default 100,50)
    --hold                a long touch
each with
    --settings JSON       the key's settings, a JSON object (default {})
    --context C           the key's context (default: one key per action, key-1 for
                          the first action, key-2 for the next, for the whole session)
    --device D            the device (default device-1)
    --state N             the key's state, 0 or 1 (default: none sent)
    --column N, --row N   the key's place on the device (default 0, 0)
    --title TEXT          a title the user typed for the key, which hides the scripts'
                          titles unless the action says user-title: off
    --multi-action        as a step of a multi-action: no place on the device, and for an
                          action of two states the state the user chose for the step
    --desired-state N     that state, 0 or 1 (default: the other one than the key's)
Events of the host itself:
  deeplink URL            a deep link to the plugin, streamdeck://plugins/message/UUID/...:
                          didReceiveDeepLink with the URL after that prefix
  launch APP              a monitored application started (applicationDidLaunch)
  terminate APP           a monitored application ended (applicationDidTerminate)
  wake                    the computer woke up (systemDidWakeUp): the keys in view then
                          appear again
  device-change           the device changed (deviceDidChange) to
    --name NAME, --keys COLUMNSxROWS   this name or size
deviceDidConnect is sent for the device first, once the plugin has registered.
  wait MS                 wait MS milliseconds before the next event
  --send JSON             any event, as the raw JSON object the host would send
  --repeat N              send all key events and raw events N times (default 1), as
                          fast as the plugin takes them
  --interactive           then read events from standard input, one per line: the same
                          "press ACTION [--settings JSON] ..." words, or raw JSON

Options:
  --plugin PATH           the plugin to start (default: keyscript beside this program)
  --cmd DIR               the scripts' folder (default: cmd/ beside the plugin's folder), so
                          your scripts can live where you keep them
  --uuid U                the plugin UUID (default: a new one)
  --register-event E      the registration event (default: registerPlugin)
  --info JSON             the -info text (default: a small description of one device)
  --json                  print messages as the raw JSON the plugin sent
  --save-images DIR       write every image the plugin sends to a file in DIR
  --keep FILE             keep the keys (settings, state, title, image) in FILE across
                          runs, as the host does; every event of a key carries its settings
                          and state, and setSettings and setState change them
  --log                   show the plugin's log lines as it writes them
  --verbose               also show what is sent, and the plugin's own output and error stream
  --strict                exit with code 8 when a script failed (the reasons, as the
                          plugin logged them, are on standard error in any case)
  --quiet-ms MS           end once no script runs and nothing has arrived for MS
                          milliseconds (default 500)
  --timeout MS            end at the latest MS milliseconds after the start (default
                          10000; an interactive session ends then only when --timeout
                          is given)
  -h, --help              show this text

The plugin runs in a temporary working directory with a log.txt of its own.

Exit codes: 0 done; 2 usage error; 3 the plugin did not register as expected;
4 the plugin exited or was killed while keyscript-host still ran;
5 a press found no script (the paths looked for are on standard error);
6 an image could not be saved (--save-images; the reason is on standard error);
7 --timeout cut the run short; 8 with --strict, a script failed; 130 interrupted.

Examples:
  keyscript-host press org.keyscript.greet --settings '{"name":"Ada"}'
  keyscript-host appear org.keyscript.clock --for 3000
)");
}

QString HostOptions::interactiveHelp()
{
    return QStringLiteral(
        R"(One event per line, quoted as on the command line, or a raw JSON event:
  press ACTION [--settings JSON] [--context C] [--state N] [--column N] [--row N]
  release ACTION ...     appear ACTION [--for MS] ...     disappear ACTION ...
  settings ACTION --settings JSON ...                     wait MS
  resources ACTION --resources JSON ...    rotate ACTION --ticks N ...    tap ACTION ...
  deeplink URL    launch APP    terminate APP    wake    device-change [--name N] [--keys CxR]
  {"event":"keyDown","action":"ACTION","context":"C","payload":{"settings":{}}}
Events go to one key per action, as on the command line. End with Ctrl+D (Ctrl+Z on Windows).
)");
}
