// Bitmap 292: the task list header's check box strip as XPM text lines.
#pragma once

// Three 16 x 16 images side by side (0 empty, 1 unchecked box, 2 checked box);
// magenta (255, 0, 255) marks the transparent pixels.
inline constexpr int kCheckHeaderImageSize = 16;
inline constexpr int kCheckHeaderImageCount = 3;

// The XPM lines, ready for QPixmap(const char* const xpm[]).
const char* const* CheckHeaderBitmapXpm();
