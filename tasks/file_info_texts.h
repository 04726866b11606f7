// The facts of one task as the File Information dialog shows them.
#pragma once

#include <string>

struct FileInfoTexts {
    std::string filePathText;
    std::string endTimeText;
    std::string frameRateText; // "%5.2f" followed by " fps"
    std::string widthText;
    std::string heightText;
    std::string videoCodecText;
    std::string audioCodecText;
    std::string videoBitRateText;
    std::string channelsText;
    std::string sampleRateText;
    std::string bitDepthText; // bits per sample; empty for a source without a depth
    std::string audioBitRateText;
};

// The process-wide record, refilled by every File Information command.
extern FileInfoTexts g_fileInfoTexts;
