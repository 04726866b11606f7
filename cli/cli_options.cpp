#include "cli/cli_options.h"

#include "cli/option_table.h"

#include "engine/encoder_check.h"
#include "engine/joined_list.h"
#include "engine/sample_format.h"
#include "profiles/encoder_names.h"
#include "profiles/output_catalogue.h"
#include "profiles/settings_choices.h"
#include "tasks/clock_text.h"
#include "tasks/job_count.h"
#include "tasks/output_path.h"

#include <algorithm>
#include <charconv>
#include <climits>
#include <ranges>
#include <string_view>

namespace {

std::optional<long long> ParseWholeNumber(std::string_view text) {
    long long value = 0;
    const char* last = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), last, value);
    if (text.empty() || ec != std::errc() || ptr != last) {
        return std::nullopt;
    }
    return value;
}

// Splits the arguments into options and files; "--" ends the options and
// "--name=value" is the same as "--name value".
std::string ScanArguments(const std::vector<std::string>& args, ScannedOptions& raw) {
    bool optionsEnded = false;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (optionsEnded || arg.size() < 2 || arg[0] != '-') {
            raw.files.push_back(arg);
            continue;
        }
        if (arg == "--") {
            optionsEnded = true;
            continue;
        }
        const size_t eq = arg.rfind("--", 0) == 0 ? arg.find('=') : std::string::npos;
        const std::string name = arg.substr(0, eq);
        const OptionRow* row = FindOptionRow(name);
        if (!row) {
            return "unknown option '" + name + "'";
        }
        if (!row->TakesValue()) {
            if (eq != std::string::npos) {
                return "option '" + name + "' takes no value";
            }
            raw.*row->flag = true;
            continue;
        }
        if (eq != std::string::npos) {
            raw.*row->value = arg.substr(eq + 1);
        } else if (i + 1 < args.size()) {
            raw.*row->value = args[++i];
        } else {
            return "option '" + name + "' needs a value";
        }
        if (raw.firstConversionOption.empty()) {
            raw.firstConversionOption = name;
        }
    }
    return "";
}

std::string KnownFormatNames() {
    return JoinedList(kOutputFormats | std::views::transform([](const OutputFormat& row) {
                          return std::string(row.name);
                      }));
}

// "source" is the lists' "Same as source".
constexpr std::string_view kSourceWord = "source";

std::string ApplyFormat(const ScannedOptions& raw, CliOptions& options) {
    if (raw.format) {
        options.formatIndex = FindOutputFormatByName(*raw.format);
        if (options.formatIndex < 0) {
            return "unknown format '" + *raw.format + "' (one of: " + KnownFormatNames() + ")";
        }
    }
    OutputParameters defaults;
    SelectOutputFormat(defaults, options.formatIndex);
    options.encoderName = defaults.audioEncoder;
    options.bitRate = defaults.audioBitRate;
    options.sampleRate = defaults.sampleRate;
    options.channels = defaults.channels;
    return "";
}

const FormatPreset& PresetOf(const CliOptions& options) {
    return *FindFormatPreset(kOutputFormats[options.formatIndex].profileId);
}

std::string FormatExtension(const CliOptions& options) {
    return ExtensionFromFormatText(kOutputFormats[options.formatIndex].text);
}

std::string ApplyEncoder(const ScannedOptions& raw, CliOptions& options) {
    if (raw.encoder) {
        options.encoderName = *raw.encoder;
    }
    if (!LookupEncoderCodec(options.encoderName, options.codecId)) {
        return "unknown encoder '" + options.encoderName +
               "' (one of: " + JoinedList(kEncoderNames) + ")";
    }
    const std::vector<std::string>& offered = PresetOf(options).encoders;
    if (std::find(offered.begin(), offered.end(), options.encoderName) == offered.end()) {
        return "the " + FormatExtension(options) + " format has no " + options.encoderName +
               " encoder (offered: " + JoinedList(offered) + ")";
    }
    if (!FindOutputEncoder(options.codecId)) {
        return "this FFmpeg build has no " + options.encoderName + " encoder";
    }
    return "";
}

std::string NotOffered(const std::string& what, const CliOptions& options, const ChoiceList& list) {
    return what + " is not offered for " + options.encoderName +
           " (offered: " + JoinedList(list.items) + ")";
}

std::string ApplyBitRate(const ScannedOptions& raw, CliOptions& options) {
    if (raw.bitRate) {
        const std::optional<int> bitRate = ParseBitRate(*raw.bitRate);
        if (!bitRate) {
            return "bad bit rate '" + *raw.bitRate +
                   "' (give bit/s like 128000 or kbit/s like 128k)";
        }
        options.bitRate = *bitRate;
    }
    const ChoiceList list = EncoderChoices(options.encoderName).bitRates;
    if (FindRateChoice(list, options.bitRate) < 0) {
        return NotOffered("a bit rate of " + std::to_string(options.bitRate) + " bit/s", options,
                          list);
    }
    return "";
}

std::string ApplySampleRate(const ScannedOptions& raw, CliOptions& options) {
    if (raw.sampleRate == kSourceWord) {
        options.sampleRate = kSameAsSource;
    } else if (raw.sampleRate) {
        const std::optional<long long> rate = ParseWholeNumber(*raw.sampleRate);
        if (!rate || *rate <= 0 || *rate > INT_MAX) {
            return "bad sample rate '" + *raw.sampleRate + "' (give Hz, like 44100, or source)";
        }
        options.sampleRate = static_cast<int>(*rate);
    }
    const ChoiceList list = EncoderChoices(options.encoderName).sampleRates;
    if (FindRateChoice(list, options.sampleRate) < 0) {
        return NotOffered(options.sampleRate == kSameAsSource
                              ? "the source's sample rate"
                              : "a sample rate of " + std::to_string(options.sampleRate) + " Hz",
                          options, list);
    }
    return "";
}

std::string ApplyChannels(const ScannedOptions& raw, CliOptions& options) {
    if (raw.channels == kSourceWord) {
        options.channels = kSameAsSource;
    } else if (raw.channels) {
        const std::optional<long long> channels = ParseWholeNumber(*raw.channels);
        if (!channels || *channels <= 0 || *channels > INT_MAX) {
            return "bad channel count '" + *raw.channels + "' (give 1, 2, 6 or source)";
        }
        options.channels = static_cast<int>(*channels);
    }
    const ChoiceList list = EncoderChoices(options.encoderName).channels;
    if (FindChannelChoice(list, options.channels) < 0) {
        return NotOffered("a channel count of " + std::to_string(options.channels), options, list);
    }
    return "";
}

// The lists offer combinations the encoder itself refuses; this finds them
// before any file is touched, with the message the Settings dialog gives.
std::string ApplyEncoderCheck(const ScannedOptions&, CliOptions& options) {
    OutputAudioParams params;
    params.codecId = options.codecId;
    params.bitRate = options.bitRate;
    params.sampleRate = options.sampleRate;
    params.channels = options.channels;
    if (CheckEncoderOpens(params, FormatExtension(options)).opens) {
        return "";
    }
    const EncoderChoiceLists choices = EncoderChoices(options.encoderName);
    const auto itemOf = [](const ChoiceList& list, int index) { return list.items.at(index); };
    return EncoderRefusalMessage(
        options.encoderName,
        itemOf(choices.sampleRates, FindRateChoice(choices.sampleRates, options.sampleRate)),
        itemOf(choices.channels, FindChannelChoice(choices.channels, options.channels)),
        itemOf(choices.bitRates, FindRateChoice(choices.bitRates, options.bitRate)));
}

std::string ApplyClip(const ScannedOptions& raw, CliOptions& options) {
    for (const auto& [name, text] : {std::pair{"--start", raw.start}, {"--end", raw.end}}) {
        if (text && !IsClockText(*text)) {
            return std::string("bad ") + name + " time '" + *text + "' (give HH:MM:SS)";
        }
    }
    if (raw.start) {
        options.startText = *raw.start;
    }
    options.endText = raw.end;
    if (options.endText && ParseHms(*options.endText) <= ParseHms(options.startText)) {
        return "--end " + *options.endText + " is not after --start " + options.startText;
    }
    return "";
}

// Refused before anything is converted, with the field or brace at fault.
std::string ApplyNames(const ScannedOptions& raw, CliOptions& options) {
    options.portableNames = raw.portableNames;
    options.update = raw.update;
    if (raw.logJson && raw.logJson->empty()) {
        return "option '--log-json' needs a file, or - for standard output";
    }
    options.logJson = raw.logJson;
    if (raw.shard) {
        const std::optional<Shard> shard = ParseShard(*raw.shard);
        if (!shard) {
            return "option '--shard' needs K/N with 1 <= K <= N, not '" + *raw.shard + "'";
        }
        options.shard = *shard;
    }
    if (!raw.namePattern) {
        return "";
    }
    NamePattern pattern;
    if (std::string error = ParseNamePattern(*raw.namePattern, pattern); !error.empty()) {
        return error;
    }
    options.namePattern = std::move(pattern);
    return "";
}

std::string ApplyLoudness(const ScannedOptions& raw, CliOptions& options) {
    options.replayGain = raw.replayGain;
    if (raw.normalize) {
        const std::optional<long long> lufs = ParseWholeNumber(*raw.normalize);
        if (!lufs || std::find(kNormalizeTargets.begin(), kNormalizeTargets.end(), *lufs) ==
                         kNormalizeTargets.end()) {
            return "option '--normalize' needs -14, -16, -18 or -23, not '" + *raw.normalize + "'";
        }
        options.normalizeLufs = static_cast<int>(*lufs);
    }
    if (raw.normalizeBy) {
        if (*raw.normalizeBy != "track" && *raw.normalizeBy != "album") {
            return "option '--normalize-by' needs track or album, not '" + *raw.normalizeBy + "'";
        }
        if (!raw.normalize) {
            return "option '--normalize-by' goes with --normalize";
        }
        options.normalizeAlbums = *raw.normalizeBy == "album";
    }
    if (!raw.albumMode) {
        return "";
    }
    if (*raw.albumMode != "folder" && *raw.albumMode != "tag") {
        return "option '--album-mode' needs folder or tag, not '" + *raw.albumMode + "'";
    }
    if (!raw.replayGain && !options.normalizeAlbums) {
        return "option '--album-mode' goes with --replaygain or --normalize-by album";
    }
    options.albumByFolder = *raw.albumMode == "folder";
    return "";
}

std::string BuildConvertOptions(const ScannedOptions& raw, CliOptions& options) {
    for (auto step : {ApplyNames, ApplyLoudness, ApplyFormat, ApplyEncoder, ApplyBitRate,
                      ApplySampleRate, ApplyChannels, ApplyEncoderCheck, ApplyClip}) {
        if (std::string error = step(raw, options); !error.empty()) {
            return error;
        }
    }
    if (raw.outputFolder) {
        if (raw.outputFolder->empty()) {
            return "option '-o' needs a folder";
        }
        options.outputFolder = *raw.outputFolder;
    }
    options.jobs = DefaultJobCount();
    if (raw.jobs) {
        const std::optional<int> jobs = ParseJobCount(*raw.jobs);
        if (!jobs) {
            return "option '-j' needs a number of files from 1 to " + std::to_string(kMaxJobCount) +
                   ", not '" + *raw.jobs + "'";
        }
        options.jobs = *jobs;
    }
    if (raw.split) {
        if (*raw.split != "auto" && *raw.split != "off") {
            return "option '--split' needs auto or off, not '" + *raw.split + "'";
        }
        options.split = *raw.split == "auto";
    }
    return "";
}

} // namespace

std::optional<int> ParseBitRate(const std::string& text) {
    std::string_view digits = text;
    long long scale = 1;
    if (!digits.empty() && (digits.back() == 'k' || digits.back() == 'K')) {
        digits.remove_suffix(1);
        scale = 1000;
    }
    const std::optional<long long> value = ParseWholeNumber(digits);
    if (!value || *value <= 0 || *value > INT_MAX / scale) {
        return std::nullopt;
    }
    return static_cast<int>(*value * scale);
}

bool IsClockText(const std::string& text) {
    const size_t first = text.find(':');
    const size_t last = text.rfind(':');
    if (first == std::string::npos || first == last) {
        return false;
    }
    const std::string_view view = text;
    const auto hours = ParseWholeNumber(view.substr(0, first));
    const auto minutes = ParseWholeNumber(view.substr(first + 1, last - first - 1));
    const auto seconds = ParseWholeNumber(view.substr(last + 1));
    const auto field = [](const std::optional<long long>& v, long long limit) {
        return v && *v >= 0 && *v < limit;
    };
    // Hours are capped where ParseHms's whole-second count stays in an int.
    return field(hours, 596523) && field(minutes, 60) && field(seconds, 60) &&
           last - first - 1 <= 2 && view.size() - last - 1 <= 2;
}

CliParseResult ParseCommandLine(const std::vector<std::string>& args) {
    ScannedOptions raw;
    CliParseResult result;
    if (result.error = ScanArguments(args, raw); !result.error.empty()) {
        return result;
    }
    CliOptions options;
    options.verbose = raw.verbose;
    options.files = raw.files;
    if (raw.help) {
        options.mode = CliMode::Help;
        result.options = options;
        return result;
    }
    if (raw.version) {
        options.mode = CliMode::Version;
        result.options = options;
        return result;
    }
    if (raw.nullSeparated && !raw.filesFrom) {
        result.error = "option '--null' goes with --files-from";
        return result;
    }
    if (raw.filesFrom && raw.filesFrom->empty()) {
        result.error = "option '--files-from' needs a file, or - for standard input";
        return result;
    }
    options.filesFrom = raw.filesFrom;
    options.nullSeparated = raw.nullSeparated;
    if (raw.files.empty() && !raw.filesFrom) {
        result.error = "missing FILE";
        return result;
    }
    if (raw.probe) {
        if (!raw.firstConversionOption.empty()) {
            result.error =
                "--probe takes no conversion option like '" + raw.firstConversionOption + "'";
            return result;
        }
        options.mode = CliMode::Probe;
        result.options = options;
        return result;
    }
    if (result.error = BuildConvertOptions(raw, options); result.error.empty()) {
        result.options = options;
    }
    return result;
}
