#include "engine/tag_copy.h"

#include <cstring>
#include <strings.h>

namespace {

// The tags always copied, each with the older name FFmpeg once used.
struct TagKey {
    const char* key;
    const char* oldKey;
};
constexpr TagKey kNamedTags[] = {
    {"title", nullptr}, {"artist", "author"}, {"copyright", nullptr}, {"comment", nullptr},
    {"album", nullptr}, {"date", "year"},     {"track", nullptr},     {"genre", nullptr},
};

// Facts about the source file rather than about the music: copied, they would
// describe the output wrongly (its encoder, its length, the padding a player
// trims) or repeat what the output gets another way (the cover picture).
constexpr const char* kSourceFileTags[] = {
    "encoder",
    "encoded_with",
    "major_brand",
    "minor_version",
    "compatible_brands",
    "handler_name",
    "vendor_id",
    "creation_time",
    "duration",
    "TLEN",
    "iTunSMPB",
    "WAVEFORMATEXTENSIBLE_CHANNEL_MASK",
    "METADATA_BLOCK_PICTURE",
    "COVERART",
    "COVERARTMIME",
};

// The source's loudness and gains: the output's sound is not the source's,
// and a gain copied would level it wrongly.
constexpr const char* kSourceLevelPrefixes[] = {"REPLAYGAIN_", "R128_"};

const char* FindTag(const AVDictionary* tags, const TagKey& tag) {
    const AVDictionaryEntry* entry = av_dict_get(tags, tag.key, nullptr, 0);
    if (!entry && tag.oldKey) {
        entry = av_dict_get(tags, tag.oldKey, nullptr, 0);
    }
    return entry ? entry->value : nullptr;
}

bool IsNamedTag(const char* key) {
    for (const TagKey& tag : kNamedTags) {
        if (strcasecmp(key, tag.key) == 0 || (tag.oldKey && strcasecmp(key, tag.oldKey) == 0)) {
            return true;
        }
    }
    return false;
}

bool IsSourceFileTag(const AVDictionaryEntry& entry) {
    for (const char* skipped : kSourceFileTags) {
        if (strcasecmp(entry.key, skipped) == 0) {
            return true;
        }
    }
    for (const char* prefix : kSourceLevelPrefixes) {
        if (strncasecmp(entry.key, prefix, strlen(prefix)) == 0) {
            return true;
        }
    }
    // Containers that must name a language write "und" when nobody said one.
    return strcasecmp(entry.key, "language") == 0 && strcmp(entry.value, "und") == 0;
}

void SetOutputTag(AVFormatContext* output, AVStream* outputAudio, const char* key,
                  const char* value) {
    av_dict_set(&output->metadata, key, value, 0);
    if (outputAudio) {
        av_dict_set(&outputAudio->metadata, key, value, 0);
    }
}

// Tags live in the container for most formats and in the audio stream for
// Ogg and a few others; the container's win.
void CopyNamedTags(const AVFormatContext* input, const AVStream* sourceAudio,
                   AVFormatContext* output, AVStream* outputAudio) {
    for (const TagKey& tag : kNamedTags) {
        const char* value = FindTag(input->metadata, tag);
        if (!value && sourceAudio) {
            value = FindTag(sourceAudio->metadata, tag);
        }
        if (value) {
            SetOutputTag(output, outputAudio, tag.key, value);
        }
    }
}

// Every other tag of one dictionary, without replacing what is already set:
// called for the container first, so its tags win over the stream's.
void CopyOtherTags(const AVDictionary* tags, AVFormatContext* output, AVStream* outputAudio) {
    const AVDictionaryEntry* entry = nullptr;
    while ((entry = av_dict_get(tags, "", entry, AV_DICT_IGNORE_SUFFIX))) {
        if (IsNamedTag(entry->key) || IsSourceFileTag(*entry) ||
            av_dict_get(output->metadata, entry->key, nullptr, 0)) {
            continue;
        }
        SetOutputTag(output, outputAudio, entry->key, entry->value);
    }
}

} // namespace

void CopySourceTags(const AVFormatContext* input, const AVStream* sourceAudio,
                    AVFormatContext* output, AVStream* outputAudio) {
    CopyNamedTags(input, sourceAudio, output, outputAudio);
    CopyOtherTags(input->metadata, output, outputAudio);
    if (sourceAudio) {
        CopyOtherTags(sourceAudio->metadata, output, outputAudio);
    }
}
