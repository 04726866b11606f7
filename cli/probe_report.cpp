#include "cli/probe_report.h"

#include "tasks/cue_tracks.h"
#include "tasks/output_path.h"

extern "C" {
#include <libavcodec/avcodec.h>
}

#include <cstdio>

namespace {

std::string ProbeResultMeaning(int result) {
    switch (result) {
    case ProbeOk:
        return "ok";
    case ProbeCannotOpen:
        return "cannot be opened as media";
    case ProbeNoStreamInfo:
        return "no stream information found";
    case ProbeNoVideoDecoder:
        return "no decoder for its video";
    case ProbeVideoDecoderFailed:
        return "its video decoder cannot be opened";
    default:
        return "probe failed";
    }
}

std::string Line(const char* key, const std::string& value) {
    return std::string(key) + ": " + value + "\n";
}

std::string Line(const char* key, int64_t value) {
    return Line(key, std::to_string(value));
}

std::string CodecName(int codecId) {
    return avcodec_get_name(static_cast<AVCodecID>(codecId));
}

std::string FrameRateText(double frameRate) {
    char text[32];
    std::snprintf(text, sizeof text, "%.3f", frameRate);
    return text;
}

std::string MediaFacts(const AVConvert& e) {
    return Line("stream count", e.m_streamCount) + Line("video stream", e.m_videoStream) +
           Line("audio stream", e.m_audioStream) + Line("start seconds", e.m_startSeconds) +
           Line("duration seconds", e.m_durationSeconds) +
           Line("duration micros", e.m_durationMicros) + Line("video codec id", e.m_videoCodecId) +
           Line("video codec", CodecName(e.m_videoCodecId)) +
           Line("video bit rate", e.m_videoBitRate) + Line("width", e.m_videoWidth) +
           Line("height", e.m_videoHeight) + Line("frame rate", FrameRateText(e.m_frameRate)) +
           Line("frame rate num", e.m_frameRateNum) + Line("frame rate den", e.m_frameRateDen) +
           Line("audio codec id", e.m_audioCodecId) +
           Line("audio codec", CodecName(e.m_audioCodecId)) +
           Line("audio bit rate", e.m_audioBitRate) + Line("sample rate", e.m_sampleRate) +
           Line("channels", e.m_channels);
}

// A cue sheet lists its tracks: number, image, start and end as the sheet
// counts them (mm:ss:ff), and the name the track's output takes.
std::string CueSheetReport(const std::string& path, AVConvert& engine, bool& ok) {
    const CueAlbum album = LoadCueAlbum(engine, path);
    ok = !album.Refused();
    std::string text = Line("file", path);
    if (!ok) {
        return text + Line("result", ProbeCannotOpen) +
               Line("meaning", "not a cue sheet that can be used: " + CueRefusalReason(album));
    }
    text += Line("result", ProbeOk) + Line("tracks", static_cast<int64_t>(album.tracks.size()));
    for (const CueTrack& track : album.tracks) {
        const std::string end = track.end >= 0 ? FormatCueTime(track.end) : "end";
        text += "track " + std::to_string(track.number) + ": " +
                std::string(FileNameOf(track.imagePath)) + " " + FormatCueTime(track.start) +
                " - " + end + " \"" + track.name + "\"\n";
    }
    for (const std::string& notice : album.notices) {
        text += Line("note", notice);
    }
    return text;
}

} // namespace

std::string ProbeReport(const std::string& path, int result, const AVConvert& engine) {
    std::string text = Line("file", path) + Line("result", result);
    if (result != ProbeOk) {
        return text + Line("meaning", ProbeResultMeaning(result));
    }
    return text + MediaFacts(engine);
}

bool ProbeFiles(const std::vector<std::string>& files, std::string& out) {
    bool allOk = true;
    for (size_t i = 0; i < files.size(); ++i) {
        AVConvert engine;
        out += i > 0 ? "\n" : "";
        if (IsCueSheetPath(files[i])) {
            bool ok = false;
            out += CueSheetReport(files[i], engine, ok);
            allOk = allOk && ok;
            continue;
        }
        engine.m_probePath = files[i];
        const int result = ProbeMediaFile(engine);
        allOk = allOk && result == ProbeOk;
        out += ProbeReport(files[i], result, engine);
    }
    return allOk;
}
