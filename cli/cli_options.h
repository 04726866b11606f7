// The command line of veltrano-convert, read into options without side
// effects so that every rule can be checked without running a process.
#pragma once

#include "cli/shard.h"
#include "engine/name_pattern.h"

#include <optional>
#include <string>
#include <vector>

enum class CliMode { Convert, Probe, Help, Version };

struct CliOptions {
    CliMode mode = CliMode::Convert;
    bool verbose = false;

    // Output parameters: the chosen catalogue row's defaults with the
    // command line's overrides applied. Each is one the Settings dialog
    // offers for the format (encoder) and the encoder (rates, channels), and
    // the encoder has been found to open with them.
    int formatIndex = 0;
    std::string encoderName;
    int codecId = 0;
    int bitRate = 0;
    int sampleRate = 0;
    int channels = 0;

    std::string startText = "00:00:00";
    std::optional<std::string> endText; // absent: each file's own duration
    std::string outputFolder = ".";
    int jobs = 1;      // files converted at once; the parser's default is DefaultJobCount()
    bool split = true; // a long file may be encoded on the cores the others leave idle
    std::vector<std::string> files;

    // Library runs.
    std::optional<NamePattern> namePattern; // absent: outputs take their source's name
    bool portableNames = false;
    bool update = false;                  // skip up-to-date outputs, replace older ones
    std::optional<std::string> filesFrom; // a list of FILEs ("-": standard input)
    bool nullSeparated = false;           // its names end with NUL, not a new line
    Shard shard;                          // the share of the sources to convert
    std::optional<std::string> logJson;   // "-": standard output

    // Loudness.
    bool replayGain = false;
    bool albumByFolder = false;   // albums are whole source folders, whatever their tags
    int normalizeLufs = 0;        // 0: the level is left alone
    bool normalizeAlbums = false; // one gain for each album rather than each track
};

struct CliParseResult {
    std::optional<CliOptions> options;
    std::string error; // one line, set when options is empty
};

// Reads the arguments that follow the program name.
CliParseResult ParseCommandLine(const std::vector<std::string>& args);

// "128000" -> 128000, "128k" -> 128000; nullopt for anything else, zero or
// out of range.
std::optional<int> ParseBitRate(const std::string& text);

// True for H:MM:SS clock texts with minutes and seconds below 60.
bool IsClockText(const std::string& text);
