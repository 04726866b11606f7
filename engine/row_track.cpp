#include "engine/row_track.h"

namespace {

void SetTag(AVDictionary** tags, const std::string& key, const std::string& value) {
    if (!value.empty()) {
        av_dict_set(tags, key.c_str(), value.c_str(), 0);
        return;
    }
    // Keys match in any case, and a source may hold a tag under two spellings.
    while (av_dict_get(*tags, key.c_str(), nullptr, 0)) {
        av_dict_set(tags, key.c_str(), nullptr, 0);
    }
}

} // namespace

void ApplyRowTags(const TagList& tags, AVFormatContext* output, AVStream* outputAudio) {
    for (const auto& [key, value] : tags) {
        SetTag(&output->metadata, key, value);
        if (outputAudio) {
            SetTag(&outputAudio->metadata, key, value);
        }
    }
}
