#include "cli/help_text.h"

#include "cli/option_table.h"
#include "engine/joined_list.h"
#include "profiles/encoder_names.h"
#include "profiles/output_catalogue.h"
#include "profiles/settings_choices.h"

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

constexpr const char* kModes = R"(  veltrano-convert --probe [--verbose] FILE|FOLDER...
  veltrano-convert --help | --version

Converts every FILE (audio, or video with sound) into one output format, as
one batch. Each output is FOLDER/<file name without extension>.<format>; an
existing file is never overwritten: song.mp3, song(0).mp3, song(1).mp3, ...
A FILE that is a folder stands for every file in it and in its subfolders,
in name order (hidden files and the output folder left out); their outputs
keep the subfolders: Music/A/01.flac -> FOLDER/A/01.mp3. Cover art and tags
go with the sound into every format that can hold them.
A FILE that is a cue sheet (.cue) stands for the tracks of the album image it
describes: one output per track, "NN - Title", tagged from the sheet and cut
exactly at the sheet's times (--start and --end leave tracks alone); a folder
with an image and its sheet gives the tracks, not the image as well. --probe
lists a sheet's tracks.

--name makes each output's name below FOLDER from its source's tags; "/"
makes folders and {track:02} pads with zeros. A missing {albumartist} is
{artist}; other missing fields read "Unknown Artist", "Unknown Album",
"Unknown Year", "Unknown Genre", disc 1, track 0, and {title} the file's
name. Every field stays one name component ("../" in a tag cannot leave
FOLDER), characters FOLDER's file system cannot hold become "_", and each
component is cut to 255 bytes. --update makes reruns incremental: a source
whose output is newer is skipped ("Skipped (up to date) <output>"), an
older output is replaced in one step by its new file, names get no (0)
counter, and a second source wanting a name already given out in the run
fails. --shard K/N splits the sources by a hash of their path below their
FILE, so N machines sharing the files convert each one once.

)";

constexpr const char* kTail = R"tail(
Files that cannot be read as media are refused ("File:<path> is invalid!")
and not converted; so is a file that ends before --start. A file name
without an extension is its own base name. The others are converted -j at
a time, in order, with the same names and results as one after another;
progress goes to standard error (a bar per running file on a terminal, one
line as each file starts and ends elsewhere). At the end one line per
converted file goes to standard output: "Completed <output>", or
"Failure <input> (nothing written): <why>" - a failed file leaves no output
behind; why is one of "no sound could be decoded", "the disk is full", "the
output folder cannot be written", "the encoder refused the settings", "the
file changed or disappeared" - or "Stopped ..." for files a stop cut short
or never began.

Ctrl-C (SIGINT), SIGTERM or SIGHUP (a dropped ssh session) stops the batch:
every file being converted is finished early as a valid, shorter file, the
rest are not started. A second Ctrl-C ends the program at once.

Exit codes:
  0    every file completed (or, with --update, was up to date)
  1    a file failed or was refused, or --probe found a file it cannot read
  2    usage error (nothing converted) or the output folder cannot be made
  130  stopped by Ctrl-C, SIGTERM or SIGHUP

Veltrano Audio Converter comes with NO WARRANTY; it is free software under the
GNU General Public License, version 3 or later (GPL-3.0-or-later).
)tail";

std::string RateOrSource(int32_t value) {
    return value == kSameAsSource ? "source" : std::to_string(value);
}

std::string FormatTable() {
    std::string table = "Formats and their defaults:\n";
    char line[160];
    std::snprintf(line, sizeof line, "  %-6s %-10s %9s %8s %8s  %s\n", "FORMAT", "ENCODER", "BIT/S",
                  "HZ", "CHANNELS", "DESCRIPTION");
    table += line;
    for (const OutputFormat& row : kOutputFormats) {
        const std::string text = row.text;
        const std::string description = text.substr(0, text.rfind('('));
        std::snprintf(line, sizeof line, "  %-6s %-10s %9d %8s %8s  %s\n", row.name, row.encoder,
                      row.bitRate, RateOrSource(row.sampleRate).c_str(),
                      RateOrSource(row.channels).c_str(), description.c_str());
        table += line;
    }
    return table + "The alac format writes .m4a files, as m4a does.\n";
}

std::string FormatEncoders() {
    std::string text = "\nEncoders of each format:\n";
    for (const OutputFormat& row : kOutputFormats) {
        const FormatPreset* preset = FindFormatPreset(row.profileId);
        std::string encoders = JoinedList(preset->encoders);
        if (preset->encoders.size() > 1) {
            encoders += std::string(" (default ") + row.encoder + ")";
        }
        char line[160];
        std::snprintf(line, sizeof line, "  %-6s %s\n", row.name, encoders.c_str());
        text += line;
    }
    return text;
}

bool SameItems(const EncoderChoiceLists& a, const EncoderChoiceLists& b) {
    return a.bitRates.items == b.bitRates.items && a.sampleRates.items == b.sampleRates.items &&
           a.channels.items == b.channels.items;
}

// Encoders sharing the same lists, in the order of the encoder names.
std::vector<std::vector<std::string>> EncodersByChoices() {
    std::vector<std::vector<std::string>> groups;
    for (std::string_view name : kEncoderNames) {
        const EncoderChoiceLists choices = EncoderChoices(name);
        auto group = std::find_if(groups.begin(), groups.end(), [&](const auto& members) {
            return SameItems(EncoderChoices(members.front()), choices);
        });
        if (group == groups.end()) {
            groups.push_back({std::string(name)});
        } else {
            group->push_back(std::string(name));
        }
    }
    return groups;
}

std::string EncoderChoiceTable() {
    std::string text = "\nChoices of each encoder (the lists of the window's Settings dialog):\n";
    for (const std::vector<std::string>& encoders : EncodersByChoices()) {
        const EncoderChoiceLists choices = EncoderChoices(encoders.front());
        text += "  " + JoinedList(encoders) + ":\n";
        text += "    bit rates:    " + JoinedList(choices.bitRates.items) + "\n";
        text += "    sample rates: " + JoinedList(choices.sampleRates.items) + "\n";
        text += "    channels:     " + JoinedList(choices.channels.items) + "\n";
    }
    text += "\"Same as source\" (--rate source, --channels source) keeps each file's own\n"
            "sample rate or channel layout where the encoder takes it, else the nearest\n"
            "it takes: MP3 from 96000 Hz gives 48000 Hz, AC3 from 7.1 gives 5.1. A file\n"
            "of more channels than 7.1 that the encoder cannot take as they are fails.\n"
            "A combination the encoder itself cannot write (it refuses to open with it)\n"
            "is a usage error: nothing is converted; \"Same as source\" is checked as\n"
            "it turns out for 44100 and 48000 Hz stereo files.\n";
    return text;
}

} // namespace

std::string HelpText() {
    return "Usage:\n" + ConversionUsage() + kModes + OptionsHelp() + "\n" + FormatTable() +
           FormatEncoders() + EncoderChoiceTable() + kTail;
}
