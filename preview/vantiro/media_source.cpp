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
    m_input.reset(raw);
    if (avformat_find_stream_info(m_input.get(), nullptr) < 0) {
        return false;
    }
    // The sound track a conversion of the file takes, so that the user hears
    // what will be converted.
    m_audioStream = ConvertedStreamOfType(m_input.get(), AVMEDIA_TYPE_AUDIO);
    m_videoStream = av_find_best_stream(m_input.get(), AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
    if (m_videoStream >= 0 && IsCoverPicture(*m_input->streams[m_videoStream])) {
        m_videoStream = -1;
    }
    if (m_audioStream >= 0 && !OpenDecoder(m_audioStream, m_soundDecoder)) {
        m_audioStream = -1;
    }
    if (m_videoStream >= 0 && !OpenDecoder(m_videoStream, m_pictureDecoder)) {
        m_videoStream = -1;
    }
    if (m_videoStream >= 0) {
        m_width = m_pictureDecoder->width;
        m_height = m_pictureDecoder->height;
        const AVRational rate = m_input->streams[m_videoStream]->avg_frame_rate;
        if (rate.num > 0 && rate.den > 0) {
            m_pictureInterval = av_q2d(av_inv_q(rate));
        }
        if (m_width <= 0 || m_height <= 0) {
            m_videoStream = -1;
            m_width = m_height = 0;
            m_pictureDecoder.reset();
        }
    }
    m_duration = StreamDuration(*m_input, m_audioStream >= 0 ? m_audioStream : m_videoStream);
    m_packet.reset(av_packet_alloc());
    m_frame.reset(av_frame_alloc());
    return (m_audioStream >= 0 || m_videoStream >= 0) && m_packet && m_frame;
}

// The decoder is kept only once it is open: a seek or the end of the file
// flushes every decoder that is kept, and an unopened one cannot be flushed.
bool MediaSource::OpenDecoder(int streamIndex, CodecContextPtr& decoder) {
    decoder.reset();
    const AVCodecParameters* parameters = m_input->streams[streamIndex]->codecpar;
    const AVCodec* codec = avcodec_find_decoder(parameters->codec_id);
    if (codec == nullptr) {
        return false;
    }
    CodecContextPtr opened(avcodec_alloc_context3(codec));
    if (!opened || avcodec_parameters_to_context(opened.get(), parameters) < 0) {
        return false;
    }
    opened->pkt_timebase = m_input->streams[streamIndex]->time_base;
    if (avcodec_open2(opened.get(), codec, nullptr) < 0) {
        return false;
    }
    decoder = std::move(opened);
    return true;
}

int MediaSource::SourceRate() const {
    return m_soundDecoder ? m_soundDecoder->sample_rate : 0;
}

int MediaSource::SourceChannels() const {
    return m_soundDecoder ? m_soundDecoder->ch_layout.nb_channels : 0;
}

bool MediaSource::SetSoundOutput(int rate, int channels) {
    m_outRate = rate;
    m_outChannels = channels;
    const SoundShape decoded{PlainLayout(m_soundDecoder->ch_layout), m_soundDecoder->sample_fmt,
                             m_soundDecoder->sample_rate};
    if (!RebuildResampler(decoded)) {
        m_outRate = m_outChannels = 0;
        return false;
    }
    return true;
}

// The few samples the old resampler may still hold are dropped: a change of
// shape is a seam in the sound anyway.
bool MediaSource::RebuildResampler(const SoundShape& shape) {
    m_resampler.reset();
    m_resamplerShape = shape;
    AVChannelLayout outLayout;
    av_channel_layout_default(&outLayout, m_outChannels);
    AVChannelLayout inLayout = shape.layout; // a mask layout: a plain copy
    SwrContext* raw = nullptr;
    const int result = swr_alloc_set_opts2(&raw, &outLayout, AV_SAMPLE_FMT_S16, m_outRate,
                                           &inLayout, shape.format, shape.rate, 0, nullptr);
    m_resampler.reset(raw);
    if (result < 0 || swr_init(m_resampler.get()) < 0) {
        m_resampler.reset();
        return false;
    }
    return true;
}

// A stream may change its layout, rate or sample format part-way (joined
// files, broadcasts): the resampler follows each frame's own shape.
bool MediaSource::FollowSoundShape(const AVFrame& frame) {
    const SoundShape shape{PlainLayout(frame.ch_layout), static_cast<AVSampleFormat>(frame.format),
                           frame.sample_rate};
    if (m_resampler && shape.format == m_resamplerShape.format &&
        shape.rate == m_resamplerShape.rate &&
        av_channel_layout_compare(&shape.layout, &m_resamplerShape.layout) == 0) {
        return true;
    }
    return RebuildResampler(shape);
}

void MediaSource::DropSound() {
    m_audioStream = -1;
    m_soundDecoder.reset();
    m_resampler.reset();
    m_outRate = m_outChannels = 0;
}

MediaSource::Step MediaSource::DecodeNext(Sound& sound, std::vector<Picture>& pictures) {
    const int result = av_read_frame(m_input.get(), m_packet.get());
    if (result < 0) {
        Drain(sound, pictures);
        return Step::End;
    }
    // A damaged packet is skipped: the decoders keep going with the next one.
    if (m_packet->stream_index == m_audioStream) {
        if (avcodec_send_packet(m_soundDecoder.get(), m_packet.get()) >= 0) {
            ReceiveSound(sound);
        }
    } else if (m_packet->stream_index == m_videoStream) {
        if (avcodec_send_packet(m_pictureDecoder.get(), m_packet.get()) >= 0) {
            ReceivePictures(pictures);
        }
    }
    av_packet_unref(m_packet.get());
    return Step::More;
}

void MediaSource::Drain(Sound& sound, std::vector<Picture>& pictures) {
    if (m_soundDecoder && avcodec_send_packet(m_soundDecoder.get(), nullptr) >= 0) {
        ReceiveSound(sound);
    }
    if (m_pictureDecoder && avcodec_send_packet(m_pictureDecoder.get(), nullptr) >= 0) {
        ReceivePictures(pictures);
    }
}

double MediaSource::FrameSeconds(const AVFrame& frame, int streamIndex) const {
    if (frame.best_effort_timestamp == AV_NOPTS_VALUE) {
        return -1;
    }
    return static_cast<double>(frame.best_effort_timestamp) *
           av_q2d(m_input->streams[streamIndex]->time_base);
}

void MediaSource::ReceiveSound(Sound& sound) {
    while (avcodec_receive_frame(m_soundDecoder.get(), m_frame.get()) >= 0) {
        AppendSound(*m_frame, sound);
        av_frame_unref(m_frame.get());
    }
}

void MediaSource::AppendSound(const AVFrame& frame, Sound& sound) {
    if (m_outRate == 0 || !IsPlayableSound(frame)) {
        return;
    }
    double start = FrameSeconds(frame, m_audioStream);
    if (start < 0) {
        start = m_nextSoundSeconds;
    }
    m_nextSoundSeconds = start + static_cast<double>(frame.nb_samples) / frame.sample_rate;
    if (m_nextSoundSeconds <= m_cutBefore || !FollowSoundShape(frame)) {
        return;
    }
    const int capacity = swr_get_out_samples(m_resampler.get(), frame.nb_samples);
    if (capacity <= 0) {
        return;
    }
    const size_t frameBytes = static_cast<size_t>(m_outChannels) * sizeof(int16_t);
    std::vector<uint8_t> converted(static_cast<size_t>(capacity) * frameBytes);
    uint8_t* out = converted.data();
    const int made =
        swr_convert(m_resampler.get(), &out, capacity,
                    const_cast<const uint8_t**>(frame.extended_data), frame.nb_samples);
    if (made <= 0) {
        return;
    }
    // The frame that holds the seek target is cut at the target's sample.
    long long skip = 0;
    if (start < m_cutBefore) {
        skip = std::llround((m_cutBefore - start) * m_outRate);
    }
    skip = std::clamp<long long>(skip, 0, made);
    if (sound.bytes.empty()) {
        sound.seconds = start + static_cast<double>(skip) / m_outRate;
    }
    sound.bytes.insert(sound.bytes.end(),
                       converted.begin() + static_cast<ptrdiff_t>(skip * frameBytes),
                       converted.begin() + static_cast<ptrdiff_t>(made * frameBytes));
}

void MediaSource::ReceivePictures(std::vector<Picture>& pictures) {
    while (avcodec_receive_frame(m_pictureDecoder.get(), m_frame.get()) >= 0) {
        Picture picture;
        double seconds = FrameSeconds(*m_frame, m_videoStream);
        picture.seconds = seconds < 0 ? m_nextPictureSeconds : seconds;
        m_nextPictureSeconds = picture.seconds + m_pictureInterval;
        if (ConvertPicture(*m_frame, picture)) {
            pictures.push_back(std::move(picture));
        }
        av_frame_unref(m_frame.get());
    }
}

// Every picture is scaled to the size given at open, so a stream that changes
// its size mid-way still fills the caller's buffer exactly. The accurate,
// full-chroma conversion is asked for because the fast one leaves the last
// pixels of a row unwritten when the width is not a multiple of 8.
bool MediaSource::ConvertPicture(const AVFrame& frame, Picture& picture) {
    m_scaler.reset(sws_getCachedContext(
        m_scaler.release(), frame.width, frame.height, static_cast<AVPixelFormat>(frame.format),
        m_width, m_height, AV_PIX_FMT_BGR24, SWS_BICUBIC | SWS_ACCURATE_RND | SWS_FULL_CHR_H_INT,
        nullptr, nullptr, nullptr));
    if (!m_scaler) {
        return false;
    }
    const int stride = VANTIRO_FRAME_STRIDE(m_width);
    picture.pixels.assign(static_cast<size_t>(stride) * m_height, 0);
    uint8_t* planes[4] = {picture.pixels.data(), nullptr, nullptr, nullptr};
    const int strides[4] = {stride, 0, 0, 0};
    return sws_scale(m_scaler.get(), frame.data, frame.linesize, 0, frame.height, planes,
                     strides) == m_height;
}

void MediaSource::SeekTo(double seconds) {
    const auto target = static_cast<int64_t>(seconds * AV_TIME_BASE);
    avformat_seek_file(m_input.get(), -1, INT64_MIN, target, target, 0);
    if (m_soundDecoder) {
        avcodec_flush_buffers(m_soundDecoder.get());
    }
    if (m_pictureDecoder) {
        avcodec_flush_buffers(m_pictureDecoder.get());
    }
    if (m_resampler) {
        // Drops what the resampler still holds from before the seek.
        swr_init(m_resampler.get());
    }
    m_cutBefore = seconds;
    m_nextSoundSeconds = seconds;
    m_nextPictureSeconds = seconds;
}
