// The options of veltrano-convert, each named, given a home and described
// once: the scan of the arguments and the Options part of --help both read
// this table, so an option is added by adding its row.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

// What the scan of the arguments collects before anything is checked.
struct ScannedOptions {
    bool help = false;
    bool version = false;
    bool probe = false;
    bool verbose = false;
    std::string firstConversionOption; // for refusing them with --probe
    std::optional<std::string> format;
    std::optional<std::string> encoder;
    std::optional<std::string> bitRate;
    std::optional<std::string> sampleRate;
    std::optional<std::string> channels;
    std::optional<std::string> start;
    std::optional<std::string> end;
    std::optional<std::string> outputFolder;
    std::optional<std::string> jobs;
    std::optional<std::string> split;
    std::optional<std::string> namePattern;
    bool portableNames = false;
    bool update = false;
    std::optional<std::string> filesFrom;
    bool nullSeparated = false;
    std::optional<std::string> shard;
    std::optional<std::string> logJson;
    bool replayGain = false;
    std::optional<std::string> albumMode;
    std::optional<std::string> normalize;
    std::optional<std::string> normalizeBy;
    std::vector<std::string> files;
};

struct OptionRow {
    std::string_view shortName; // empty when the option has none
    std::string_view longName;
    // A switch sets its flag; an option with a value name keeps its text.
    std::string_view valueName;
    bool ScannedOptions::*flag;
    std::optional<std::string> ScannedOptions::*value;
    std::string_view help; // lines after the first are indented under it
    // How the conversion's usage line shows the option; empty: not shown there.
    std::string_view synopsis = {};

    bool TakesValue() const { return value != nullptr; }
    bool IsNamed(std::string_view name) const;
};

// The row an argument such as "-f" or "--format" names; nullptr if none.
const OptionRow* FindOptionRow(std::string_view name);

// The "Options:" part of --help, one entry per row.
std::string OptionsHelp();

// The usage line of a conversion: the program, the options rows show there,
// and FILE..., folded under the program's name.
std::string ConversionUsage();
