#pragma once

// The zanvorctl commands another zanvorctl hands over to the process that owns the keyboard
// (the desktop program or zanvorctl serve): run on the owner's UI thread over its own main
// window object (its worker, database and keyboard), with what they print captured for the
// terminal that typed them.

#include <optional>
#include <string>
#include <vector>

#include "platform/SingleInstance.h"

namespace zanvor {

class DialogsRouter;
class KeyboardDlg;

// Whether an owner running with virtual (`simulating`, the models of `simulateSpec`, "" for
// every model) or real keyboards takes the command. Nothing: it does not (another kind of
// keyboard), and the command line works alone. A reply that is not run: the command cannot be
// handed over at all (--hid-trace, other virtual keyboards than the owner's). Otherwise the
// arguments are for RunHandedOverCommand.
enum class HandoverFit { kRun, kDecline, kRefuse };
HandoverFit CheckHandedOverCommand(const std::vector<std::string>& arguments, bool simulating,
                                   const std::string& simulateSpec,
                                   SingleInstance::CommandReply& refusal);

// UI thread of the owner: runs the command over `owner`, its questions answered by its own
// flags (`dialogs` is routed to the command while it runs), and returns its status and output.
SingleInstance::CommandReply RunHandedOverCommand(KeyboardDlg& owner, DialogsRouter& dialogs,
                                                  const std::vector<std::string>& arguments);

}  // namespace zanvor
