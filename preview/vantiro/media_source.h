// Demuxes and decodes one file: the sound converted to the device's format,
// the pictures converted to 24-bit blue-green-red rows.
#pragma once

#include "engine/ffmpeg_ptr.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

extern "C" {
#include <libswscale/swscale.h>
}

struct SwsFreer {
    void operator()(SwsContext* ctx) const { sws_freeContext(ctx); }
};
using SwsPtr = std::unique_ptr<SwsContext, SwsFreer>;

// What the resampler was made for.
struct SoundShape {
    AVChannelLayout layout{};
    AVSampleFormat format = AV_SAMPLE_FMT_NONE;
    int rate = 0;
};

// Converted sound: interleaved samples in the device's format, and the time
// of the first of them in the file.
struct Sound {
    double seconds = 0;
    std::vector<uint8_t> bytes;
};

// One decoded picture: rows top-down, each VANTIRO_FRAME_STRIDE(width) bytes.
struct Picture {
    double seconds = 0;
    std::vector<uint8_t> pixels;
};

class MediaSource {
public:
    // False when the file cannot be opened or has neither sound nor picture.
    bool Open(const std::string& utf8Path);

    bool HasSound() const { return m_audioStream >= 0; }
    bool HasPicture() const { return m_videoStream >= 0; }
    int Width() const { return m_width; }
    int Height() const { return m_height; }
    double Duration() const { return m_duration; }
    int SourceRate() const;
    int SourceChannels() const;

    // The device's format; false when no resampler can be made for it.
    bool SetSoundOutput(int rate, int channels);
    // Plays without sound (no device could be opened).
    void DropSound();

    enum class Step { More, End };
    // Reads and decodes one packet, appending converted sound and pictures.
    Step DecodeNext(Sound& sound, std::vector<Picture>& pictures);

    // Moves to `seconds`; sound before it is cut away sample by sample.
    void SeekTo(double seconds);

private:
    bool OpenDecoder(int streamIndex, CodecContextPtr& decoder);
    void ReceiveSound(Sound& sound);
    void ReceivePictures(std::vector<Picture>& pictures);
    void AppendSound(const AVFrame& frame, Sound& sound);
    bool RebuildResampler(const SoundShape& shape);
    bool FollowSoundShape(const AVFrame& frame);
    bool ConvertPicture(const AVFrame& frame, Picture& picture);
    double FrameSeconds(const AVFrame& frame, int streamIndex) const;
    void Drain(Sound& sound, std::vector<Picture>& pictures);

    InputFormatPtr m_input;
    CodecContextPtr m_soundDecoder;
    CodecContextPtr m_pictureDecoder;
    SwrPtr m_resampler;
    SoundShape m_resamplerShape;
    SwsPtr m_scaler;
    PacketPtr m_packet;
    FramePtr m_frame;
    int m_audioStream = -1;
    int m_videoStream = -1;
    int m_width = 0;
    int m_height = 0;
    double m_duration = 0;
    int m_outRate = 0;
    int m_outChannels = 0;
    // Sound before this position is not played (after a seek).
    double m_cutBefore = 0;
    double m_nextSoundSeconds = 0;
    double m_nextPictureSeconds = 0;
    double m_pictureInterval = 0.04;
};
