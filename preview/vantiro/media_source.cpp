#include "media_source.h"

#include "vantiro.h"

#include "engine/stream_choice.h"

#include <algorithm>
#include <cmath>

extern "C" {
#include <libavutil/channel_layout.h>
#include <libavutil/imgutils.h>
}

namespace {

double StreamDuration(const AVFormatContext& input, int streamIndex) {
    if (input.duration > 0) {
        return static_cast<double>(input.duration) / AV_TIME_BASE;
    }
    if (streamIndex >= 0) {
        const AVStream& stream = *input.streams[streamIndex];
        if (stream.duration > 0) {
            return static_cast<double>(stream.duration) * av_q2d(stream.time_base);
        }
    }
    return 0;
}

bool IsCoverPicture(const AVStream& stream) {
    return (stream.disposition & AV_DISPOSITION_ATTACHED_PIC) != 0;
}

// More channels than any real layout has: such a frame is damage.
constexpr int kMaxChannels = 64;

bool IsPlayableSound(const AVFrame& frame) {
    return frame.nb_samples > 0 && frame.sample_rate > 0 && frame.ch_layout.nb_channels > 0 &&
           frame.ch_layout.nb_channels <= kMaxChannels && frame.format > AV_SAMPLE_FMT_NONE &&
           frame.format < AV_SAMPLE_FMT_NB;
}

// Channels named by a mask are kept as they are; any other order, or a mask
// that names another number of channels than the frame holds, is read as the
// usual layout for the channel count. Either way the layout owns no memory,
// so it can be copied and compared freely.
AVChannelLayout PlainLayout(const AVChannelLayout& layout) {
    AVChannelLayout plain{};
    if (layout.order == AV_CHANNEL_ORDER_NATIVE &&
        av_popcount64(layout.u.mask) == layout.nb_channels &&
        av_channel_layout_from_mask(&plain, layout.u.mask) == 0) {
        return plain;
    }
    av_channel_layout_default(&plain, layout.nb_channels);
    return plain;
}

} // namespace

bool MediaSource::Open(const std::string& utf8Path) {
    AVFormatContext* raw = nullptr;
    if (avformat_open_input(&raw, utf8Path.c_str(), nullptr, nullptr) < 0) {
        return false;
    }
    input_.reset(raw);
    if (avformat_find_stream_info(input_.get(), nullptr) < 0) {
        return false;
    }
    // The sound track a conversion of the file takes, so that the user hears
    // what will be converted.
    audioStream_ = ConvertedStreamOfType(input_.get(), AVMEDIA_TYPE_AUDIO);
    videoStream_ = av_find_best_stream(input_.get(), AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
    if (videoStream_ >= 0 && IsCoverPicture(*input_->streams[videoStream_])) {
        videoStream_ = -1;
    }
    if (audioStream_ >= 0 && !OpenDecoder(audioStream_, soundDecoder_)) {
        audioStream_ = -1;
    }
    if (videoStream_ >= 0 && !OpenDecoder(videoStream_, pictureDecoder_)) {
        videoStream_ = -1;
    }
    if (videoStream_ >= 0) {
        width_ = pictureDecoder_->width;
        height_ = pictureDecoder_->height;
        const AVRational rate = input_->streams[videoStream_]->avg_frame_rate;
        if (rate.num > 0 && rate.den > 0) {
            pictureInterval_ = av_q2d(av_inv_q(rate));
        }
        if (width_ <= 0 || height_ <= 0) {
            videoStream_ = -1;
            width_ = height_ = 0;
            pictureDecoder_.reset();
        }
    }
    duration_ = StreamDuration(*input_, audioStream_ >= 0 ? audioStream_ : videoStream_);
    packet_.reset(av_packet_alloc());
    frame_.reset(av_frame_alloc());
    return (audioStream_ >= 0 || videoStream_ >= 0) && packet_ && frame_;
}

// The decoder is kept only once it is open: a seek or the end of the file
// flushes every decoder that is kept, and an unopened one cannot be flushed.
bool MediaSource::OpenDecoder(int streamIndex, CodecContextPtr& decoder) {
    decoder.reset();
    const AVCodecParameters* parameters = input_->streams[streamIndex]->codecpar;
    const AVCodec* codec = avcodec_find_decoder(parameters->codec_id);
    if (codec == nullptr) {
        return false;
    }
    CodecContextPtr opened(avcodec_alloc_context3(codec));
    if (!opened || avcodec_parameters_to_context(opened.get(), parameters) < 0) {
        return false;
    }
    opened->pkt_timebase = input_->streams[streamIndex]->time_base;
    if (avcodec_open2(opened.get(), codec, nullptr) < 0) {
        return false;
    }
    decoder = std::move(opened);
    return true;
}

int MediaSource::SourceRate() const {
    return soundDecoder_ ? soundDecoder_->sample_rate : 0;
}

int MediaSource::SourceChannels() const {
    return soundDecoder_ ? soundDecoder_->ch_layout.nb_channels : 0;
}

bool MediaSource::SetSoundOutput(int rate, int channels) {
    outRate_ = rate;
    outChannels_ = channels;
    const SoundShape decoded{PlainLayout(soundDecoder_->ch_layout), soundDecoder_->sample_fmt,
                             soundDecoder_->sample_rate};
    if (!RebuildResampler(decoded)) {
        outRate_ = outChannels_ = 0;
        return false;
    }
    return true;
}

// The few samples the old resampler may still hold are dropped: a change of
// shape is a seam in the sound anyway.
bool MediaSource::RebuildResampler(const SoundShape& shape) {
    resampler_.reset();
    resamplerShape_ = shape;
    AVChannelLayout outLayout;
    av_channel_layout_default(&outLayout, outChannels_);
    AVChannelLayout inLayout = shape.layout; // a mask layout: a plain copy
    SwrContext* raw = nullptr;
    const int result = swr_alloc_set_opts2(&raw, &outLayout, AV_SAMPLE_FMT_S16, outRate_, &inLayout,
                                           shape.format, shape.rate, 0, nullptr);
    resampler_.reset(raw);
    if (result < 0 || swr_init(resampler_.get()) < 0) {
        resampler_.reset();
        return false;
    }
    return true;
}

// A stream may change its layout, rate or sample format part-way (joined
// files, broadcasts): the resampler follows each frame's own shape.
bool MediaSource::FollowSoundShape(const AVFrame& frame) {
    const SoundShape shape{PlainLayout(frame.ch_layout), static_cast<AVSampleFormat>(frame.format),
                           frame.sample_rate};
    if (resampler_ && shape.format == resamplerShape_.format &&
        shape.rate == resamplerShape_.rate &&
        av_channel_layout_compare(&shape.layout, &resamplerShape_.layout) == 0) {
        return true;
    }
    return RebuildResampler(shape);
}

void MediaSource::DropSound() {
    audioStream_ = -1;
    soundDecoder_.reset();
    resampler_.reset();
    outRate_ = outChannels_ = 0;
}

MediaSource::Step MediaSource::DecodeNext(Sound& sound, std::vector<Picture>& pictures) {
    const int result = av_read_frame(input_.get(), packet_.get());
    if (result < 0) {
        Drain(sound, pictures);
        return Step::End;
    }
    // A damaged packet is skipped: the decoders keep going with the next one.
    if (packet_->stream_index == audioStream_) {
        if (avcodec_send_packet(soundDecoder_.get(), packet_.get()) >= 0) {
            ReceiveSound(sound);
        }
    } else if (packet_->stream_index == videoStream_) {
        if (avcodec_send_packet(pictureDecoder_.get(), packet_.get()) >= 0) {
            ReceivePictures(pictures);
        }
    }
    av_packet_unref(packet_.get());
    return Step::More;
}

void MediaSource::Drain(Sound& sound, std::vector<Picture>& pictures) {
    if (soundDecoder_ && avcodec_send_packet(soundDecoder_.get(), nullptr) >= 0) {
        ReceiveSound(sound);
    }
    if (pictureDecoder_ && avcodec_send_packet(pictureDecoder_.get(), nullptr) >= 0) {
        ReceivePictures(pictures);
    }
}

double MediaSource::FrameSeconds(const AVFrame& frame, int streamIndex) const {
    if (frame.best_effort_timestamp == AV_NOPTS_VALUE) {
        return -1;
    }
    return static_cast<double>(frame.best_effort_timestamp) *
           av_q2d(input_->streams[streamIndex]->time_base);
}

void MediaSource::ReceiveSound(Sound& sound) {
    while (avcodec_receive_frame(soundDecoder_.get(), frame_.get()) >= 0) {
        AppendSound(*frame_, sound);
        av_frame_unref(frame_.get());
    }
}

void MediaSource::AppendSound(const AVFrame& frame, Sound& sound) {
    if (outRate_ == 0 || !IsPlayableSound(frame)) {
        return;
    }
    double start = FrameSeconds(frame, audioStream_);
    if (start < 0) {
        start = nextSoundSeconds_;
    }
    nextSoundSeconds_ = start + static_cast<double>(frame.nb_samples) / frame.sample_rate;
    if (nextSoundSeconds_ <= cutBefore_ || !FollowSoundShape(frame)) {
        return;
    }
    const int capacity = swr_get_out_samples(resampler_.get(), frame.nb_samples);
    if (capacity <= 0) {
        return;
    }
    const size_t frameBytes = static_cast<size_t>(outChannels_) * sizeof(int16_t);
    std::vector<uint8_t> converted(static_cast<size_t>(capacity) * frameBytes);
    uint8_t* out = converted.data();
    const int made =
        swr_convert(resampler_.get(), &out, capacity,
                    const_cast<const uint8_t**>(frame.extended_data), frame.nb_samples);
    if (made <= 0) {
        return;
    }
    // The frame that holds the seek target is cut at the target's sample.
    long long skip = 0;
    if (start < cutBefore_) {
        skip = std::llround((cutBefore_ - start) * outRate_);
    }
    skip = std::clamp<long long>(skip, 0, made);
    if (sound.bytes.empty()) {
        sound.seconds = start + static_cast<double>(skip) / outRate_;
    }
    sound.bytes.insert(sound.bytes.end(),
                       converted.begin() + static_cast<ptrdiff_t>(skip * frameBytes),
                       converted.begin() + static_cast<ptrdiff_t>(made * frameBytes));
}

void MediaSource::ReceivePictures(std::vector<Picture>& pictures) {
    while (avcodec_receive_frame(pictureDecoder_.get(), frame_.get()) >= 0) {
        Picture picture;
        double seconds = FrameSeconds(*frame_, videoStream_);
        picture.seconds = seconds < 0 ? nextPictureSeconds_ : seconds;
        nextPictureSeconds_ = picture.seconds + pictureInterval_;
        if (ConvertPicture(*frame_, picture)) {
            pictures.push_back(std::move(picture));
        }
        av_frame_unref(frame_.get());
    }
}

// Every picture is scaled to the size given at open, so a stream that changes
// its size mid-way still fills the caller's buffer exactly. The accurate,
// full-chroma conversion is asked for because the fast one leaves the last
// pixels of a row unwritten when the width is not a multiple of 8.
bool MediaSource::ConvertPicture(const AVFrame& frame, Picture& picture) {
    scaler_.reset(sws_getCachedContext(
        scaler_.release(), frame.width, frame.height, static_cast<AVPixelFormat>(frame.format),
        width_, height_, AV_PIX_FMT_BGR24, SWS_BICUBIC | SWS_ACCURATE_RND | SWS_FULL_CHR_H_INT,
        nullptr, nullptr, nullptr));
    if (!scaler_) {
        return false;
    }
    const int stride = VANTIRO_FRAME_STRIDE(width_);
    picture.pixels.assign(static_cast<size_t>(stride) * height_, 0);
    uint8_t* planes[4] = {picture.pixels.data(), nullptr, nullptr, nullptr};
    const int strides[4] = {stride, 0, 0, 0};
    return sws_scale(scaler_.get(), frame.data, frame.linesize, 0, frame.height, planes, strides) ==
           height_;
}

void MediaSource::SeekTo(double seconds) {
    const auto target = static_cast<int64_t>(seconds * AV_TIME_BASE);
    avformat_seek_file(input_.get(), -1, INT64_MIN, target, target, 0);
    if (soundDecoder_) {
        avcodec_flush_buffers(soundDecoder_.get());
    }
    if (pictureDecoder_) {
        avcodec_flush_buffers(pictureDecoder_.get());
    }
    if (resampler_) {
        // Drops what the resampler still holds from before the seek.
        swr_init(resampler_.get());
    }
    cutBefore_ = seconds;
    nextSoundSeconds_ = seconds;
    nextPictureSeconds_ = seconds;
}
