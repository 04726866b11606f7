// Which window is the playback library's client: the main window whenever
// no Clip dialog is open, the Clip dialog while it is. Taking the library
// gives it the taker's end-of-playback callback.
#pragma once

#include <QEvent>

// The Clip dialog's end-of-playback notice.
inline constexpr QEvent::Type kPlaybackEndEvent = static_cast<QEvent::Type>(QEvent::User + 2);

// The main window takes the library; its end callback has no effect, since
// the main window never plays anything.
void TakePreviewForMainWindow();

// The Clip dialog takes the library; at the end of playback the visible
// window titled "Clip" receives kPlaybackEndEvent on the user-interface
// thread.
void TakePreviewForClipDialog();
