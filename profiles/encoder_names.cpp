#include "profiles/encoder_names.h"

extern "C" {
#include <libavcodec/codec_id.h>
}

namespace {

struct EncoderName {
    std::string_view name;
    AVCodecID codec;
};

constexpr EncoderName kEncoderTable[] = {
    {"AAC", AV_CODEC_ID_AAC},
    {"AC3", AV_CODEC_ID_AC3},
    {"MP3", AV_CODEC_ID_MP3},
    {"MP2", AV_CODEC_ID_MP2},
    {"WMA7", AV_CODEC_ID_WMAV1},
    {"WMA8", AV_CODEC_ID_WMAV2},
    {"VORBIS", AV_CODEC_ID_VORBIS},
    {"FLAC", AV_CODEC_ID_FLAC},
    {"PCM_S16LE", AV_CODEC_ID_PCM_S16LE},
    {"PCM_S16BE", AV_CODEC_ID_PCM_S16BE},
    {"PCM_MULAW", AV_CODEC_ID_PCM_MULAW},
    {"PCM_ALAW", AV_CODEC_ID_PCM_ALAW},
    {"OPUS", AV_CODEC_ID_OPUS},
    {"ALAC", AV_CODEC_ID_ALAC},
    {"PCM_S24LE", AV_CODEC_ID_PCM_S24LE},
    {"PCM_F32LE", AV_CODEC_ID_PCM_F32LE},
    {"PCM_S24BE", AV_CODEC_ID_PCM_S24BE},
};

} // namespace

bool LookupEncoderCodec(std::string_view encoderName, int& codecId) {
    for (const EncoderName& entry : kEncoderTable) {
        if (entry.name == encoderName) {
            codecId = entry.codec;
            return true;
        }
    }
    return false;
}
