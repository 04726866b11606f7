// A frame refilled while a split row's chunks still hold what it held before:
// it must take a buffer of its own and leave the held samples alone.
#include "engine/frame_buffers.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

FramePtr FilledFrame(AVSampleFormat format, int channels, int samples, uint8_t fill) {
    FramePtr frame(av_frame_alloc());
    frame->format = format;
    frame->sample_rate = 44100;
    frame->nb_samples = samples;
    av_channel_layout_default(&frame->ch_layout, channels);
    EXPECT_EQ(av_frame_get_buffer(frame.get(), 0), 0);
    const int planes = av_sample_fmt_is_planar(format) ? channels : 1;
    for (int p = 0; p < planes; ++p) {
        std::memset(frame->extended_data[p], fill, static_cast<size_t>(frame->linesize[0]));
    }
    return frame;
}

TEST(FrameBuffers, AHeldFrameKeepsItsSamplesWhileTheFrameTakesAPooledBuffer) {
    struct Case {
        AVSampleFormat format;
        int channels;
    };
    // Planar stereo, packed stereo, and more planes than AVFrame points to.
    const Case cases[] = {
        {AV_SAMPLE_FMT_FLTP, 2}, {AV_SAMPLE_FMT_S16, 2}, {AV_SAMPLE_FMT_FLTP, 10}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(av_get_sample_fmt_name(c.format)) + " x" +
                     std::to_string(c.channels));
        BufferPoolPtr pool;
        FramePtr frame = FilledFrame(c.format, c.channels, 1152, 0x11);
        for (int round = 0; round < 3; ++round) {
            FramePtr held(av_frame_clone(frame.get()));
            ASSERT_EQ(OwnPooledBuffer(frame.get(), pool), 0);
            EXPECT_TRUE(av_frame_is_writable(frame.get()));
            EXPECT_EQ(frame->format, c.format);
            EXPECT_EQ(frame->nb_samples, 1152);
            EXPECT_EQ(frame->sample_rate, 44100);
            EXPECT_EQ(frame->ch_layout.nb_channels, c.channels);
            const int planes = av_sample_fmt_is_planar(c.format) ? c.channels : 1;
            const int bytes =
                1152 * av_get_bytes_per_sample(c.format) * (planes == 1 ? c.channels : 1);
            for (int p = 0; p < planes; ++p) {
                EXPECT_NE(frame->extended_data[p], held->extended_data[p]);
                std::memset(frame->extended_data[p], 0x22, static_cast<size_t>(bytes));
                EXPECT_EQ(held->extended_data[p][bytes - 1], 0x11) << "plane " << p;
            }
            for (int p = 0; p < planes; ++p) {
                std::memset(frame->extended_data[p], 0x11, static_cast<size_t>(bytes));
            }
        }
    }
}

TEST(FrameBuffers, AFrameNobodyElseHoldsKeepsItsBuffer) {
    BufferPoolPtr pool;
    FramePtr frame = FilledFrame(AV_SAMPLE_FMT_FLTP, 2, 1152, 0x33);
    const uint8_t* before = frame->data[0];
    ASSERT_EQ(OwnPooledBuffer(frame.get(), pool), 0);
    EXPECT_EQ(frame->data[0], before);
    EXPECT_EQ(frame->data[0][0], 0x33);
    EXPECT_FALSE(pool);
}

} // namespace
