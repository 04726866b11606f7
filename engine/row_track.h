// What a row cut out of a longer source (one track of an album image) adds to
// its job: bounds exact to the sample and tags of its own.
#pragma once

#include "engine/clip_cursor.h"

#include <string>
#include <utility>
#include <vector>

extern "C" {
#include <libavformat/avformat.h>
}

// Tags in FFmpeg's common names; an empty value removes the source's tag of
// that name (an album image's title is no track's title).
using TagList = std::vector<std::pair<std::string, std::string>>;

struct RowTrack {
    ExactTime start; // not given: the row's clip times in seconds count
    ExactTime end;   // not given: to the source's end
    TagList tags;
};

// Sets each tag on the output container and its audio stream, over what was
// copied from the source.
void ApplyRowTags(const TagList& tags, AVFormatContext* output, AVStream* outputAudio);
