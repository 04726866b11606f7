#include "cli/option_table.h"

#include <algorithm>
#include <array>

namespace {

using S = ScannedOptions;

// Switches carry no value slot, options with a value no flag.
constexpr OptionRow Value(std::string_view shortName, std::string_view longName,
                          std::string_view valueName, std::optional<std::string> S::*value,
                          std::string_view help, std::string_view synopsis = {}) {
    return {shortName, longName, valueName, nullptr, value, help, synopsis};
}

constexpr OptionRow Switch(std::string_view shortName, std::string_view longName, bool S::*flag,
                           std::string_view help, std::string_view synopsis = {}) {
    return {shortName, longName, {}, flag, nullptr, help, synopsis};
}

// In the order --help lists them.
constexpr std::array kRows = {
    Value("-f", "--format", "FORMAT", &S::format,
          "output format by its name below, its extension (any\n"
          "case, leading dot allowed); default aac. Sets the\n"
          "defaults below.",
          "-f FORMAT"),
    Value("", "--encoder", "NAME", &S::encoder,
          "one of the format's encoders listed below, exactly\n"
          "as written (case-sensitive)",
          "--encoder NAME"),
    Value("", "--bitrate", "N|Nk", &S::bitRate,
          "bit rate in bit/s (192000) or kbit/s (192k); one of\n"
          "the encoder's bit rates listed below",
          "--bitrate N|Nk"),
    Value("", "--rate", "HZ|source", &S::sampleRate,
          "sample rate, one of the encoder's listed below;\n"
          "source for \"Same as source\"",
          "--rate HZ|source"),
    Value("", "--channels", "1|2|6|source", &S::channels,
          "channel count, one of the encoder's listed below:\n"
          "1 for \"1 Channel Mono\", 2 for \"2 Channel Stereo\",\n"
          "6 for \"5.1 Channel\", source for \"Same as source\"",
          "--channels 1|2|6|source"),
    Value("", "--start", "HH:MM:SS", &S::start, "clip start in each file; default 00:00:00",
          "--start HH:MM:SS"),
    Value("", "--end", "HH:MM:SS", &S::end,
          "clip end, after --start; default and upper bound:\n"
          "each file's own duration",
          "--end HH:MM:SS"),
    Value("-o", "--output", "FOLDER", &S::outputFolder,
          "output folder, made with its parents when missing;\n"
          "default the current folder",
          "-o FOLDER"),
    Value("-j", "--jobs", "N", &S::jobs,
          "convert N files at once (1 to 256); default the\n"
          "number of cores",
          "-j N"),
    Value("", "--split", "auto|off", &S::split,
          "auto (the default): a file over 2 minutes is encoded\n"
          "on the cores the other files leave idle, in chunks\n"
          "joined seamlessly (FLAC, ALAC, MP3, Opus); off: each\n"
          "file on one core",
          "--split auto|off"),
    Value("", "--name", "PATTERN", &S::namePattern,
          "name each output from its source's tags, below -o:\n"
          "\"{albumartist}/{album}/{disc}-{track:02} {title}\";\n"
          "fields {artist} {albumartist} {album} {title}\n"
          "{track} {disc} {year} {genre} {name} {folder}",
          "--name PATTERN"),
    Switch("", "--portable-names", &S::portableNames,
           "keep output names to what FAT and Windows accept", "--portable-names"),
    Switch("", "--update", &S::update,
           "convert only sources newer than their outputs, writing\n"
           "each output's exact name over its older file",
           "--update"),
    Value("", "--files-from", "LIST", &S::filesFrom,
          "also convert the FILEs named in LIST, one per line\n"
          "(- for standard input)",
          "--files-from LIST [-0]"),
    Switch("-0", "--null", &S::nullSeparated,
           "LIST's names each end with a NUL byte instead of\n"
           "a new line"),
    Value("", "--shard", "K/N", &S::shard,
          "convert only the K-th of N disjoint shares of the\n"
          "sources, for N machines sharing the same FILEs",
          "--shard K/N"),
    Value("", "--log-json", "LOG", &S::logJson,
          "write what became of each source to LOG as one JSON\n"
          "object per line, then a summary (- for standard\n"
          "output; the summary lines then go to standard error)",
          "--log-json LOG"),
    Switch("", "--replaygain", &S::replayGain,
           "write ReplayGain 2.0 track and album tags, measured\n"
           "on each output (MP3, FLAC, OGG, Opus, M4A, ALAC and\n"
           "WMA hold them; the other formats get none)",
           "--replaygain"),
    Value("", "--album-mode", "folder|tag", &S::albumMode,
          "an album is a source folder's files with the same\n"
          "album tag (tag, the default) or all of them (folder)",
          "--album-mode folder|tag"),
    Value("", "--normalize", "LUFS", &S::normalize,
          "bring each output to -14, -16, -18 or -23 LUFS,\n"
          "measured in a pass before converting; the gain\n"
          "stops where the true peak would pass -1 dBTP",
          "--normalize LUFS"),
    Value("", "--normalize-by", "track|album", &S::normalizeBy,
          "with --normalize: a gain for each track (track, the\n"
          "default), or one for all the tracks of an album\n"
          "(album, grouped as --album-mode says) that keeps\n"
          "their differences in level",
          "--normalize-by track|album"),
    Switch("", "--probe", &S::probe,
           "list each FILE's media facts instead of converting;\n"
           "a folder lists the files a conversion would take"),
    Switch("-v", "--verbose", &S::verbose, "let FFmpeg print its warnings", "--verbose"),
    Switch("-h", "--help", &S::help, "show this text"),
    Switch("", "--version", &S::version, "show the program's version"),
};

constexpr size_t kHelpColumn = 24;
constexpr std::string_view kProgram = "  veltrano-convert";
constexpr size_t kUsageWidth = 80;

std::string NamesOf(const OptionRow& row) {
    std::string names = "  ";
    if (!row.shortName.empty()) {
        names += std::string(row.shortName) + ", ";
    }
    names += row.longName;
    if (row.TakesValue()) {
        names += " " + std::string(row.valueName);
    }
    return names;
}

// The help's lines, the first after the names and the rest under it.
std::string HelpEntry(const std::string& names, std::string_view help) {
    std::string entry = names;
    entry.resize(std::max(kHelpColumn, names.size() + 1), ' ');
    for (size_t lineEnd = help.find('\n'); lineEnd != std::string_view::npos;
         lineEnd = help.find('\n')) {
        entry += std::string(help.substr(0, lineEnd + 1)) + std::string(kHelpColumn, ' ');
        help.remove_prefix(lineEnd + 1);
    }
    return entry + std::string(help) + "\n";
}

} // namespace

bool OptionRow::IsNamed(std::string_view name) const {
    return name == longName || (!shortName.empty() && name == shortName);
}

const OptionRow* FindOptionRow(std::string_view name) {
    for (const OptionRow& row : kRows) {
        if (row.IsNamed(name)) {
            return &row;
        }
    }
    return nullptr;
}

std::string OptionsHelp() {
    std::string text = "Options:\n";
    for (const OptionRow& row : kRows) {
        text += HelpEntry(NamesOf(row), row.help);
    }
    text += HelpEntry("  --", "every argument after it is a FILE");
    return text + "Options also take the form --name=value.\n";
}

std::string ConversionUsage() {
    const std::string indent(kProgram.size(), ' ');
    std::string text;
    std::string line(kProgram);
    auto add = [&](const std::string& word) {
        if (line.size() + 1 + word.size() > kUsageWidth && line != indent) {
            text += line + "\n";
            line = indent;
        }
        line += " " + word;
    };
    for (const OptionRow& row : kRows) {
        if (!row.synopsis.empty()) {
            add("[" + std::string(row.synopsis) + "]");
        }
    }
    add("FILE...");
    return text + line + "\n";
}
