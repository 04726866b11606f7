// Renders the standard dialogs, boxes and menus of the program over its main
// window, in the look the application gives them.
#pragma once

enum class DialogShot { Settings, FileInfo, MessageBox, Progress, AddProgress, ContextMenu };

// The names the tool takes for them ("settings", "file-info", ...); null for
// an unknown name.
const DialogShot* DialogShotNamed(const char* name);

// Shows the dialog over a main window with a few tasks and writes it to
// `outPath`; 0 on success.
int RenderDialog(DialogShot shot, const char* outPath);
