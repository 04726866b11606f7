#include "engine/replaygain_tags.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <vector>

#include <taglib/asffile.h>
#include <taglib/flacfile.h>
#include <taglib/id3v2tag.h>
#include <taglib/mp4file.h>
#include <taglib/mpegfile.h>
#include <taglib/opusfile.h>
#include <taglib/textidentificationframe.h>
#include <taglib/vorbisfile.h>
#include <taglib/xiphcomment.h>

namespace {

constexpr double kReplayGainReference = -18.0; // LUFS
constexpr double kR128Reference = -23.0;       // LUFS

// Name and value of each tag to write, in the order players list them.
struct GainTag {
    const char* name;
    std::string value;
};

std::vector<GainTag> ReplayGainTagsOf(const ReplayGainValues& values) {
    std::vector<GainTag> tags;
    if (values.hasTrack) {
        tags.push_back({"REPLAYGAIN_TRACK_GAIN", GainText(values.trackGain)});
        tags.push_back({"REPLAYGAIN_TRACK_PEAK", PeakText(values.trackPeak)});
    }
    if (values.hasAlbum) {
        tags.push_back({"REPLAYGAIN_ALBUM_GAIN", GainText(values.albumGain)});
        tags.push_back({"REPLAYGAIN_ALBUM_PEAK", PeakText(values.albumPeak)});
    }
    return tags;
}

// Opus players read the R128 gains only; the stream keeps no peaks.
std::vector<GainTag> R128TagsOf(const ReplayGainValues& values) {
    std::vector<GainTag> tags;
    if (values.hasTrack) {
        tags.push_back({"R128_TRACK_GAIN", R128GainText(values.trackGain)});
    }
    if (values.hasAlbum) {
        tags.push_back({"R128_ALBUM_GAIN", R128GainText(values.albumGain)});
    }
    return tags;
}

TagLib::String Utf8(const std::string& text) {
    return TagLib::String(text, TagLib::String::UTF8);
}

bool WriteId3v2(const std::string& path, const std::vector<GainTag>& tags) {
    TagLib::MPEG::File file(path.c_str(), false);
    if (!file.isValid()) {
        return false;
    }
    TagLib::ID3v2::Tag* id3 = file.ID3v2Tag(true);
    for (const GainTag& tag : tags) {
        while (auto* old = TagLib::ID3v2::UserTextIdentificationFrame::find(id3, tag.name)) {
            id3->removeFrame(old);
        }
        auto* frame = new TagLib::ID3v2::UserTextIdentificationFrame(TagLib::String::UTF8);
        frame->setDescription(tag.name);
        frame->setText(Utf8(tag.value));
        id3->addFrame(frame); // the tag owns it
    }
    // Only the ID3v2 tag the muxer wrote: no ID3v1 copy is added.
    return file.save(TagLib::MPEG::File::ID3v2, TagLib::File::StripNone, TagLib::ID3v2::v4,
                     TagLib::File::DoNotDuplicate);
}

void SetComments(TagLib::Ogg::XiphComment* comment, const std::vector<GainTag>& tags) {
    for (const GainTag& tag : tags) {
        comment->addField(tag.name, Utf8(tag.value), true);
    }
}

bool WriteFlac(const std::string& path, const std::vector<GainTag>& tags) {
    TagLib::FLAC::File file(path.c_str(), false);
    if (!file.isValid()) {
        return false;
    }
    SetComments(file.xiphComment(true), tags);
    return file.save();
}

template <typename OggFile>
bool WriteOgg(const std::string& path, const std::vector<GainTag>& tags) {
    OggFile file(path.c_str(), false);
    if (!file.isValid() || !file.tag()) {
        return false;
    }
    SetComments(file.tag(), tags);
    return file.save();
}

bool WriteMp4(const std::string& path, const std::vector<GainTag>& tags) {
    TagLib::MP4::File file(path.c_str(), false);
    if (!file.isValid() || !file.tag()) {
        return false;
    }
    for (const GainTag& tag : tags) {
        file.tag()->setItem(TagLib::String("----:com.apple.iTunes:") + tag.name,
                            TagLib::MP4::Item(TagLib::StringList(Utf8(tag.value))));
    }
    return file.save();
}

bool WriteAsf(const std::string& path, const std::vector<GainTag>& tags) {
    TagLib::ASF::File file(path.c_str(), false);
    if (!file.isValid() || !file.tag()) {
        return false;
    }
    for (const GainTag& tag : tags) {
        file.tag()->setAttribute(tag.name, TagLib::ASF::Attribute(Utf8(tag.value)));
    }
    return file.save();
}

} // namespace

GainTagStyle GainTagStyleOf(const AVOutputFormat* format, AVCodecID codec) {
    if (!format) {
        return GainTagStyle::None;
    }
    const char* name = format->name;
    if (strcmp(name, "mp3") == 0) {
        return GainTagStyle::Id3v2;
    }
    if (strcmp(name, "flac") == 0) {
        return GainTagStyle::FlacComment;
    }
    if (strcmp(name, "ogg") == 0 || strcmp(name, "oga") == 0 || strcmp(name, "opus") == 0) {
        if (codec == AV_CODEC_ID_VORBIS) {
            return GainTagStyle::OggVorbis;
        }
        return codec == AV_CODEC_ID_OPUS ? GainTagStyle::OggOpus : GainTagStyle::None;
    }
    if (strcmp(name, "ipod") == 0 || strcmp(name, "mp4") == 0 || strcmp(name, "mov") == 0) {
        return GainTagStyle::Mp4Freeform;
    }
    return strcmp(name, "asf") == 0 ? GainTagStyle::AsfAttribute : GainTagStyle::None;
}

ReplayGainValues ReplayGainOf(const TrackLoudness& track, const TrackLoudness* album) {
    ReplayGainValues values;
    if (track.gap != LoudnessGap::None) {
        return values;
    }
    values.hasTrack = true;
    values.trackGain = kReplayGainReference - track.integrated;
    values.trackPeak = track.peak;
    if (album && album->gap == LoudnessGap::None) {
        values.hasAlbum = true;
        values.albumGain = kReplayGainReference - album->integrated;
        values.albumPeak = album->peak;
    }
    return values;
}

std::string GainText(double gain) {
    char text[32];
    std::snprintf(text, sizeof text, "%.2f dB", gain);
    return text;
}

std::string PeakText(double peak) {
    char text[32];
    std::snprintf(text, sizeof text, "%.6f", peak);
    return text;
}

std::string R128GainText(double replayGain) {
    // Q7.8 fixed point, relative to -23 LUFS rather than -18, in 16 bits.
    const double gain = (replayGain + (kR128Reference - kReplayGainReference)) * 256.0;
    const long q78 = std::lround(std::fmin(std::fmax(gain, -32768.0), 32767.0));
    return std::to_string(q78);
}

bool WriteReplayGainTags(const std::string& path, GainTagStyle style,
                         const ReplayGainValues& values) {
    if (!values.hasTrack && !values.hasAlbum) {
        return true;
    }
    switch (style) {
    case GainTagStyle::Id3v2:
        return WriteId3v2(path, ReplayGainTagsOf(values));
    case GainTagStyle::FlacComment:
        return WriteFlac(path, ReplayGainTagsOf(values));
    case GainTagStyle::OggVorbis:
        return WriteOgg<TagLib::Ogg::Vorbis::File>(path, ReplayGainTagsOf(values));
    case GainTagStyle::OggOpus:
        return WriteOgg<TagLib::Ogg::Opus::File>(path, R128TagsOf(values));
    case GainTagStyle::Mp4Freeform:
        return WriteMp4(path, ReplayGainTagsOf(values));
    case GainTagStyle::AsfAttribute:
        return WriteAsf(path, ReplayGainTagsOf(values));
    case GainTagStyle::None:
        break;
    }
    return true;
}
