#include "engine/cover_art.h"

#include <cstring>
#include <iterator>
#include <string>
#include <strings.h>

extern "C" {
#include <libavutil/base64.h>
#include <libavutil/intreadwrite.h>
}

namespace {

// ID3v2 picture types, in their numbering; FFmpeg's demuxers and muxers name
// a picture's type with these words in its stream's "comment" tag.
constexpr const char* kPictureTypes[] = {
    "Other",
    "32x32 pixels 'file icon'",
    "Other file icon",
    "Cover (front)",
    "Cover (back)",
    "Leaflet page",
    "Media (e.g. label side of CD)",
    "Lead artist/lead performer/soloist",
    "Artist/performer",
    "Conductor",
    "Band/Orchestra",
    "Composer",
    "Lyricist/text writer",
    "Recording Location",
    "During recording",
    "During performance",
    "Movie/video screen capture",
    "A bright coloured fish",
    "Illustration",
    "Band/artist logotype",
    "Publisher/Studio logotype",
};
constexpr int kFrontCover = 3;

enum class CoverCarrier { None, PictureStream, VorbisComment };

// What each output container does with a picture, by FFmpeg's muxer name.
CoverCarrier CarrierOf(const AVOutputFormat* format) {
    const char* name = format->name;
    for (const char* muxer : {"mp3", "flac", "ipod", "mp4", "mov"}) {
        if (std::strcmp(name, muxer) == 0) {
            return CoverCarrier::PictureStream;
        }
    }
    for (const char* muxer : {"ogg", "oga", "opus"}) {
        if (std::strcmp(name, muxer) == 0) {
            return CoverCarrier::VorbisComment;
        }
    }
    return CoverCarrier::None;
}

// The picture formats every carrier above can name (MP4's covr knows no
// others).
const char* MimeTypeOf(AVCodecID codec) {
    switch (codec) {
    case AV_CODEC_ID_MJPEG:
        return "image/jpeg";
    case AV_CODEC_ID_PNG:
        return "image/png";
    case AV_CODEC_ID_BMP:
        return "image/bmp";
    default:
        return nullptr;
    }
}

const char* StreamTag(const AVStream* stream, const char* key) {
    const AVDictionaryEntry* entry = av_dict_get(stream->metadata, key, nullptr, 0);
    return entry ? entry->value : nullptr;
}

bool IsUsablePicture(const AVStream* stream) {
    return (stream->disposition & AV_DISPOSITION_ATTACHED_PIC) && stream->attached_pic.size > 0 &&
           MimeTypeOf(stream->codecpar->codec_id) != nullptr;
}

bool IsFrontCover(const AVStream* stream) {
    const char* type = StreamTag(stream, "comment");
    return type && strcasecmp(type, kPictureTypes[kFrontCover]) == 0;
}

// The front cover when the source marks one, else its first picture.
const AVStream* FindCoverPicture(const AVFormatContext* input) {
    const AVStream* first = nullptr;
    for (unsigned i = 0; i < input->nb_streams; ++i) {
        const AVStream* stream = input->streams[i];
        if (!IsUsablePicture(stream)) {
            continue;
        }
        if (IsFrontCover(stream)) {
            return stream;
        }
        if (!first) {
            first = stream;
        }
    }
    return first;
}

// A picture without a type (an MP4 covr has none) is the album's front cover.
const char* PictureTypeName(const AVStream* picture) {
    const char* type = StreamTag(picture, "comment");
    return type ? type : kPictureTypes[kFrontCover];
}

uint32_t PictureTypeNumber(const AVStream* picture) {
    const char* type = PictureTypeName(picture);
    for (uint32_t i = 0; i < std::size(kPictureTypes); ++i) {
        if (strcasecmp(type, kPictureTypes[i]) == 0) {
            return i;
        }
    }
    return 0;
}

int AddPictureStream(const AVStream* picture, AVFormatContext* output, CoverArt& cover) {
    AVStream* stream = avformat_new_stream(output, nullptr);
    if (!stream) {
        return AVERROR(ENOMEM);
    }
    stream->id = static_cast<int>(output->nb_streams) - 1;
    if (const int ret = avcodec_parameters_copy(stream->codecpar, picture->codecpar); ret < 0) {
        return ret;
    }
    // The source container's tag for the codec means nothing to another one.
    stream->codecpar->codec_tag = 0;
    stream->disposition = AV_DISPOSITION_ATTACHED_PIC;
    stream->time_base = AVRational{1, 90000};
    if (const char* description = StreamTag(picture, "title")) {
        av_dict_set(&stream->metadata, "title", description, 0);
    }
    av_dict_set(&stream->metadata, "comment", PictureTypeName(picture), 0);
    cover.source = picture;
    cover.output = stream;
    return 0;
}

void PutText(std::string& block, const char* text) {
    const size_t length = std::strlen(text);
    uint8_t size[4];
    AV_WB32(size, static_cast<uint32_t>(length));
    block.append(reinterpret_cast<const char*>(size), 4);
    block.append(text, length);
}

void PutNumber(std::string& block, uint32_t value) {
    uint8_t bytes[4];
    AV_WB32(bytes, value);
    block.append(reinterpret_cast<const char*>(bytes), 4);
}

// FLAC's PICTURE metadata block, which Vorbis comments carry in base64.
std::string FlacPictureBlock(const AVStream* picture) {
    const AVCodecParameters* par = picture->codecpar;
    const char* description = StreamTag(picture, "title");
    std::string block;
    PutNumber(block, PictureTypeNumber(picture));
    PutText(block, MimeTypeOf(par->codec_id));
    PutText(block, description ? description : "");
    PutNumber(block, static_cast<uint32_t>(par->width > 0 ? par->width : 0));
    PutNumber(block, static_cast<uint32_t>(par->height > 0 ? par->height : 0));
    PutNumber(block, 0); // colour depth: unknown without decoding
    PutNumber(block, 0); // palette size: not an indexed picture as far as we know
    PutNumber(block, static_cast<uint32_t>(picture->attached_pic.size));
    block.append(reinterpret_cast<const char*>(picture->attached_pic.data),
                 static_cast<size_t>(picture->attached_pic.size));
    return block;
}

int AddPictureComment(const AVStream* picture, AVStream* outputAudio, CoverArt& cover) {
    const std::string block = FlacPictureBlock(picture);
    if (block.size() > static_cast<size_t>(INT32_MAX / 4 * 3 - 4)) {
        return AVERROR(EINVAL);
    }
    const int blockSize = static_cast<int>(block.size());
    const int textSize = AV_BASE64_SIZE(blockSize);
    std::string text(static_cast<size_t>(textSize), '\0');
    if (!av_base64_encode(text.data(), textSize, reinterpret_cast<const uint8_t*>(block.data()),
                          blockSize)) {
        return AVERROR(EINVAL);
    }
    text.resize(std::strlen(text.c_str()));
    if (const int ret =
            av_dict_set(&outputAudio->metadata, "METADATA_BLOCK_PICTURE", text.c_str(), 0);
        ret < 0) {
        return ret;
    }
    cover.source = picture;
    return 0;
}

} // namespace

int AddCoverArt(const AVFormatContext* input, AVFormatContext* output, AVStream* outputAudio,
                CoverArt& cover) {
    cover = CoverArt{};
    const AVStream* picture = FindCoverPicture(input);
    if (!picture) {
        return 0;
    }
    switch (CarrierOf(output->oformat)) {
    case CoverCarrier::PictureStream:
        return AddPictureStream(picture, output, cover);
    case CoverCarrier::VorbisComment:
        return outputAudio ? AddPictureComment(picture, outputAudio, cover) : 0;
    case CoverCarrier::None:
        break;
    }
    return 0;
}

int WriteCoverArt(AVFormatContext* output, const CoverArt& cover) {
    if (!cover.source || !cover.output) {
        return 0;
    }
    PacketPtr packet(av_packet_clone(&cover.source->attached_pic));
    if (!packet) {
        return AVERROR(ENOMEM);
    }
    packet->stream_index = cover.output->index;
    packet->pts = 0;
    packet->dts = 0;
    packet->duration = 0;
    packet->pos = -1;
    packet->flags |= AV_PKT_FLAG_KEY;
    return av_interleaved_write_frame(output, packet.get());
}
