// The output name each source of a command line gets: its own base name in
// its folder's place below -o, or the --name pattern filled from its tags.
#pragma once

#include "cli/batch_setup.h"
#include "cli/cli_options.h"

#include <string>

// The output path of `source` below the normalised output folder `folder`;
// false when the source names no file. With a name pattern the tags are read
// from the source's header.
bool PlanOutputPath(const CliOptions& options, const std::string& folder, const SourceFile& source,
                    std::string& outputPath);
