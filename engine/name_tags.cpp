#include "engine/name_tags.h"

#include "engine/ffmpeg_ptr.h"
#include "engine/media_input.h"

#include <sys/stat.h>

namespace {

// Tag keys in the order they are tried: FFmpeg's own name first, then the
// names some containers keep them under.
struct TagSource {
    std::string NameTags::*field;
    const char* keys[3];
};

const TagSource kTagSources[] = {
    {&NameTags::artist, {"artist", "author", nullptr}},
    {&NameTags::albumArtist, {"album_artist", "albumartist", "album artist"}},
    {&NameTags::album, {"album", nullptr, nullptr}},
    {&NameTags::title, {"title", nullptr, nullptr}},
    {&NameTags::track, {"track", "tracknumber", nullptr}},
    {&NameTags::disc, {"disc", "discnumber", nullptr}},
    {&NameTags::date, {"date", "year", nullptr}},
    {&NameTags::genre, {"genre", nullptr, nullptr}},
};

const char* FindTag(const AVDictionary* dictionary, const TagSource& source) {
    for (const char* key : source.keys) {
        if (!key) {
            break;
        }
        if (const AVDictionaryEntry* entry = av_dict_get(dictionary, key, nullptr, 0)) {
            return entry->value;
        }
    }
    return nullptr;
}

const AVStream* FirstAudioStream(const AVFormatContext* input) {
    for (unsigned i = 0; i < input->nb_streams; ++i) {
        if (input->streams[i]->codecpar->codec_type == AVMEDIA_TYPE_AUDIO) {
            return input->streams[i];
        }
    }
    return nullptr;
}

bool IsRegular(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

} // namespace

bool ReadNameTags(const std::string& path, NameTags& tags) {
    if (!IsRegular(path)) {
        return false;
    }
    DictionaryHolder options;
    av_dict_set(options.get(), "protocol_whitelist", "file", 0);
    AVFormatContext* ctx = nullptr;
    if (avformat_open_input(&ctx, LocalFileUrl(path).c_str(), nullptr, options.get()) < 0) {
        return false; // avformat_open_input frees ctx on failure
    }
    const InputFormatPtr input(ctx);
    const AVStream* audio = FirstAudioStream(ctx);
    if (!audio && !(ctx->ctx_flags & AVFMTCTX_NOHEADER)) {
        return false;
    }
    for (const TagSource& source : kTagSources) {
        const char* value = FindTag(ctx->metadata, source);
        if (!value && audio) {
            value = FindTag(audio->metadata, source); // Ogg keeps its comments there
        }
        if (value) {
            tags.*source.field = value;
        }
    }
    return true;
}
