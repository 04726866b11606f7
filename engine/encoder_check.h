// Asks the encoder, before anything is converted, whether it can write a
// combination of output parameters: some rates and bit rates a list offers are
// refused by the encoder itself (AC-3 has no 22050 Hz, MPEG-2 audio at half
// rates tops out at 160 kbit/s), and the converter would only find out when a
// row fails. Others open but quietly write a lower bit rate than asked (LAME
// at 22050 Hz writes 160 kbit/s when asked for 320); those are refused too.
#pragma once

#include "engine/audio_transcoder.h"

#include <string>
#include <string_view>

struct EncoderCheck {
    bool opens = false;
    std::string reason; // why not, in FFmpeg's terms; empty when it opens
    // Set when the encoder opens but writes fewer bit/s than asked: the rate
    // it really writes. 0 otherwise.
    int64_t bitRateInUse = 0;
};

// Opens and frees the encoder of params.codecId exactly as a row's conversion
// sets it up, for a source that decodes to float planes, in the container
// that a file ending in `extension` (".ac3") gets; an empty extension skips
// what depends on the container. A lossy encoder must also write the bit
// rate asked for: the rate it really uses is read back from one encoded
// frame of silence. A kSameAsSource rate or channel count is checked as it
// turns out for the usual sources, 44100 and 48000 Hz stereo.
EncoderCheck CheckEncoderOpens(const OutputAudioParams& params, std::string_view extension);

// The message that refuses a combination, naming it in the texts the user
// chose it by ("22050 Hz", "2 Channel Stereo", "192 kbps").
std::string EncoderRefusalMessage(std::string_view encoderName, std::string_view sampleRateText,
                                  std::string_view channelText, std::string_view bitRateText);
