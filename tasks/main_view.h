// What the task commands need from the main window as a whole: its task
// list, its progress dialog and its output choice. The window implements it
// with widgets; tests implement it with plain data. A command that needs only
// one of the three takes that one.
#pragma once

#include "tasks/output_choice_view.h"
#include "tasks/progress_view.h"
#include "tasks/task_list_view.h"

// Icons of the two kinds of message box: the application's standard box
// (exclamation) and the plain box owned by the main window (no icon).
enum class MessageIcon { Exclamation, None };

// The three are virtual bases, so that a fake of the whole window can be put
// together from fakes of its parts.
class MainView : public virtual TaskListView,
                 public virtual ProgressView,
                 public virtual OutputChoiceView {};
