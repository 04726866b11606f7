// The format combo's selection: its format's defaults go into force and every
// task is labelled with it.
#pragma once

#include "tasks/main_view.h"

void SelectFormat(MainView& view, int index);
