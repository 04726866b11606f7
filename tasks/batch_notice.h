// The desktop notice at the end of a batch, for a user who went on working
// in another program meanwhile.
#pragma once

#include "engine/av_convert.h"
#include "tasks/main_state.h"
#include "tasks/services.h"

#include <string>

// "Converted 8 files", and ", 2 failed" when some failed.
std::string BatchEndNotice(int converted, int failed);

// Shows the notice for the batch that just ended, counting its rows that
// completed and failed, unless one of the program's windows is active (the
// user sees the list then).
void NotifyBatchEndWhenAway(DesktopNotifier& notifier, const MainWindowState& state,
                            const AVConvert& engine);
