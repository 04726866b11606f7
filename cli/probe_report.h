// The --probe listing: the probe's result code and every media fact.
#pragma once

#include "engine/av_convert.h"

#include <string>
#include <vector>

// "key: value" lines for one probed file. After a failed probe only the
// file, the result and what it means are listed: the facts would be stale.
std::string ProbeReport(const std::string& path, int result, const AVConvert& engine);

// Probes each file and writes the reports to `out`, a blank line between
// files. Returns true when every probe returned 0.
bool ProbeFiles(const std::vector<std::string>& files, std::string& out);
