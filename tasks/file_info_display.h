// The eight texts the File Information dialog shows for a task's facts.
#pragma once

#include "tasks/file_info_texts.h"

#include <string>

struct FileInfoDisplay {
    std::string fileName;
    std::string mediaLength;
    std::string pictureSize; // "640*480"
    std::string frameRate;
    std::string videoBitRate; // "128 Kbps"
    std::string audioBitRate;
    std::string sampleRate; // "44100 Hz", or "96000 Hz, 24 bits" with a depth
    std::string channelLayout;

    bool operator==(const FileInfoDisplay&) const = default;
};

// A task without a video stream shows no video facts, one without an audio
// stream no audio facts.
FileInfoDisplay FileInfoDisplayTexts(const FileInfoTexts& facts);
