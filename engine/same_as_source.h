// The output sample rate or channel count that keeps the source's.
#pragma once

// Each row resolves it from its own source: the source's value where the
// encoder takes it, else the nearest the encoder takes (see FitOutputToSource).
inline constexpr int kSameAsSource = 0;
