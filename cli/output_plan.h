// The output name each source of a command line gets: its own base name in
// its folder's place below -o, or the --name pattern filled from its tags;
// and, for --update, which sources are up to date and which cannot have
// their name.
#pragma once

#include "cli/batch_setup.h"
#include "cli/cli_options.h"
#include "tasks/output_names.h"

#include <string>
#include <vector>

// The output path of `source` below the normalised output folder `folder`;
// false when the source names no file. With a name pattern the tags are read
// from the source's header. `opensAsMedia`, when given, tells whether the
// source opens as media with sound.
bool PlanOutputPath(const CliOptions& options, const std::string& folder, const SourceFile& source,
                    std::string& outputPath, bool* opensAsMedia = nullptr);

// The exact output names of an incremental run, planned over every source
// of the command line before any is converted, so that every machine that
// converts a share of the sources agrees on them.
struct UpdatePlan {
    std::vector<std::string> outputs; // per source; "" when it names no file
    // Per source, why it cannot have its name: an earlier source of the run
    // has it, or it is a source itself (replacing it would lose the source);
    // "" when it can. Sources that do not open as media claim no name.
    std::vector<std::string> conflicts;
    // Per source, whether it opens as media with sound: only those can be
    // up to date; the others are refused when their turn comes.
    std::vector<bool> media;
};
UpdatePlan PlanUpdate(const CliOptions& options, const std::string& folder,
                      const std::vector<SourceFile>& sources);
