// Turns the files of a command line into the rows of one engine batch, the
// way the window's task list and Convert command do.
#pragma once

#include "cli/cli_options.h"
#include "cli/source_record.h"
#include "engine/av_convert.h"

#include <string>
#include <vector>

// The folder with any trailing "/" removed ("/" itself stays), so output
// paths read "folder/name.ext".
std::string NormalizeFolder(const std::string& folder);

// One file of the command line with the folder its output goes to.
struct SourceFile {
    std::string path;
    std::string outputFolder;
    // The path relative to the FILE argument it came from: for a folder's
    // file its path below the folder, for a file named on its own its name.
    std::string relativePath;
};

// The files named on the command line, in their order, each folder replaced
// by every file in its tree (hidden ones and the output folder left out) in
// name order; a folder's files send their outputs to the same subfolders
// below `outputFolder`.
std::vector<SourceFile> SourceFiles(const std::vector<std::string>& arguments,
                                    const std::string& outputFolder);

// Probes every file, refuses the ones the window would refuse, and makes the
// accepted ones the rows of the engine's batch, with the output parameters
// written last (probing overwrites them). A folder stands for every file in
// its tree (hidden ones and the output folder left out), in name order; their
// outputs keep the tree's subfolders below the output folder, made here.
// Only the sources of the options' shard are taken. A cue sheet stands for
// one row per track of its image, named after the track; notes about its
// skipped tracks go to `notices`. Stops probing once a stop has been
// requested. Returns one message per refused file. With --update, sources
// whose output is newer are skipped, sources that cannot have their exact name
// fail before the batch, and the rows replace older outputs. `records`, when
// given, gets what became of each source, in order.
std::vector<std::string> SetUpBatch(AVConvert& engine, const CliOptions& options,
                                    std::vector<SourceRecord>* records = nullptr,
                                    std::vector<std::string>* notices = nullptr);
