// Renders the Clip dialog playing a generated file.
#pragma once

enum class ClipShot { Video, Audio };

// Plays a generated test pattern (or tone) in the Clip dialog for a moment
// and writes the dialog to `outPath`; 0 on success.
int RenderClipDialog(ClipShot shot, const char* outPath);
