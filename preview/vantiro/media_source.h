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

    bool HasSound() const { return audioStream_ >= 0; }
    bool HasPicture() const { return videoStream_ >= 0; }
    int Width() const { return width_; }
    int Height() const { return height_; }
    double Duration() const { return duration_; }
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

    InputFormatPtr input_;
    CodecContextPtr soundDecoder_;
    CodecContextPtr pictureDecoder_;
    SwrPtr resampler_;
    SoundShape resamplerShape_;
    SwsPtr scaler_;
    PacketPtr packet_;
    FramePtr frame_;
    int audioStream_ = -1;
    int videoStream_ = -1;
    int width_ = 0;
    int height_ = 0;
    double duration_ = 0;
    int outRate_ = 0;
    int outChannels_ = 0;
    // Sound before this position is not played (after a seek).
    double cutBefore_ = 0;
    double nextSoundSeconds_ = 0;
    double nextPictureSeconds_ = 0;
    double pictureInterval_ = 0.04;
};
