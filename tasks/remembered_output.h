// The output format and its refined settings kept between runs: extra keys of
// the settings file's [Info] section, beside the output folder's "Path".
#pragma once

#include "profiles/output_catalogue.h"
#include "tasks/main_state.h"

// Puts the remembered format's defaults and then its remembered encoder, bit
// rate, sample rate and channels into `settings`, and returns the format's
// catalogue index. A missing or unreadable format gives the first format and
// its defaults, as at a first start; a missing or unreadable setting keeps the
// format's default, and a combination the encoder refuses keeps all of them.
int LoadOutputChoice(const MainWindowState& state, OutputParameters& settings);

// Remembers the format in force and its settings in the settings file at
// state.m_iniPath, keeping the file's other keys; a failure is not reported.
void SaveOutputChoice(const MainWindowState& state, const OutputParameters& settings);
