#include "tasks/file_info_display.h"

#include "profiles/settings_choices.h"
#include "tasks/output_path.h"

#include <cctype>
#include <charconv>
#include <string_view>

namespace {

// Reads a codec text the way atoi does: leading blanks and a sign allowed,
// nothing readable gives 0.
long long LeadingInteger(std::string_view text) {
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front()))) {
        text.remove_prefix(1);
    }
    if (text.size() > 1 && text.front() == '+' && text[1] != '-') {
        text.remove_prefix(1);
    }
    long long value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return error == std::errc() ? value : 0;
}

// Codec texts hold the probe's codec id; below 1 the stream is missing.
bool HasStream(const std::string& codecText) {
    return LeadingInteger(codecText) >= 1;
}

std::string PictureSize(const FileInfoTexts& facts) {
    if (facts.widthText.empty() || facts.heightText.empty()) {
        return "";
    }
    return facts.widthText + "*" + facts.heightText;
}

void FillVideo(const FileInfoTexts& facts, FileInfoDisplay& shown) {
    if (!HasStream(facts.videoCodecText)) {
        return;
    }
    shown.frameRate = facts.frameRateText;
    shown.videoBitRate = formatKbps(facts.videoBitRateText);
    shown.pictureSize = PictureSize(facts);
}

void FillAudio(const FileInfoTexts& facts, FileInfoDisplay& shown) {
    if (!HasStream(facts.audioCodecText)) {
        return;
    }
    if (!facts.sampleRateText.empty()) {
        shown.sampleRate = facts.sampleRateText + " Hz";
        if (!facts.bitDepthText.empty()) {
            shown.sampleRate += ", " + facts.bitDepthText + " bits";
        }
    }
    shown.channelLayout = FileInfoChannelText(facts.channelsText);
    shown.audioBitRate = formatKbps(facts.audioBitRateText);
}

} // namespace

FileInfoDisplay FileInfoDisplayTexts(const FileInfoTexts& facts) {
    FileInfoDisplay shown;
    shown.fileName = FileNameOf(facts.filePathText);
    shown.mediaLength = facts.endTimeText;
    FillVideo(facts, shown);
    FillAudio(facts, shown);
    return shown;
}
