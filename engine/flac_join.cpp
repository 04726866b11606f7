#include "engine/flac_join.h"

#include <algorithm>
#include <cstring>
#include <vector>

extern "C" {
#include <libavutil/bswap.h>
#include <libavutil/crc.h>
#include <libavutil/intreadwrite.h>
}

namespace {

constexpr int kStreamInfoBytes = 34;
constexpr int kMaxCodedNumberBytes = 7;

// The frame number as FLAC codes it, in UTF-8's way of coding a number.
int CodeFrameNumber(int64_t number, uint8_t* out) {
    if (number < 0x80) {
        out[0] = static_cast<uint8_t>(number);
        return 1;
    }
    int bytes = 2;
    while (bytes < kMaxCodedNumberBytes && number >= (int64_t{1} << (5 * bytes + 1))) {
        ++bytes;
    }
    for (int i = bytes - 1; i > 0; --i) {
        out[i] = static_cast<uint8_t>(0x80 | (number & 0x3F));
        number >>= 6;
    }
    out[0] = static_cast<uint8_t>((0xFF00 >> bytes) | number);
    return bytes;
}

// Bytes the coded number at `first` takes; 0 when it is no valid first byte.
int CodedNumberBytes(uint8_t first) {
    if (first < 0x80) {
        return 1;
    }
    int bytes = 0;
    while (bytes < 8 && (first & (0x80 >> bytes))) {
        ++bytes;
    }
    return bytes >= 2 && bytes <= kMaxCodedNumberBytes ? bytes : 0;
}

// The header fields after the frame number: a block size or sample rate that
// the codes in byte 2 say follow.
int TrailingHeaderBytes(uint8_t codes) {
    const int blockSizeCode = codes >> 4;
    const int rateCode = codes & 0x0F;
    int bytes = blockSizeCode == 6 ? 1 : blockSizeCode == 7 ? 2 : 0;
    bytes += rateCode == 12 ? 1 : (rateCode == 13 || rateCode == 14) ? 2 : 0;
    return bytes;
}

void PutStreamInfoField(uint8_t* info, const FlacStreamTotals& totals, const uint8_t* digest) {
    AV_WB24(info + 4, totals.minFrameBytes);
    AV_WB24(info + 7, totals.maxFrameBytes);
    // 36 bits of sample count start in the low half of byte 13.
    info[13] = static_cast<uint8_t>((info[13] & 0xF0) | ((totals.samples >> 32) & 0x0F));
    AV_WB32(info + 14, static_cast<uint32_t>(totals.samples));
    std::memcpy(info + 18, digest, 16);
}

} // namespace

int RenumberFlacFrame(AVPacket* packet, int64_t frameNumber) {
    const uint8_t* data = packet->data;
    // Sync code and a fixed block size; room for the header and the CRC-16.
    if (packet->size < 8 || data[0] != 0xFF || data[1] != 0xF8) {
        return AVERROR_INVALIDDATA;
    }
    const int oldNumberBytes = CodedNumberBytes(data[4]);
    if (oldNumberBytes == 0) {
        return AVERROR_INVALIDDATA;
    }
    const int trailing = TrailingHeaderBytes(data[2]);
    const int oldHeader = 4 + oldNumberBytes + trailing; // without its CRC-8
    if (packet->size < oldHeader + 1 + 2) {
        return AVERROR_INVALIDDATA;
    }
    uint8_t number[kMaxCodedNumberBytes];
    const int numberBytes = CodeFrameNumber(frameNumber, number);
    const int body = packet->size - oldHeader - 1 - 2;
    const int newSize = 4 + numberBytes + trailing + 1 + body + 2;
    std::vector<uint8_t> frame(static_cast<size_t>(newSize));
    std::memcpy(frame.data(), data, 4);
    std::memcpy(frame.data() + 4, number, static_cast<size_t>(numberBytes));
    std::memcpy(frame.data() + 4 + numberBytes, data + 4 + oldNumberBytes,
                static_cast<size_t>(trailing));
    const int header = 4 + numberBytes + trailing;
    frame[static_cast<size_t>(header)] =
        static_cast<uint8_t>(av_crc(av_crc_get_table(AV_CRC_8_ATM), 0, frame.data(), header));
    std::memcpy(frame.data() + header + 1, data + oldHeader + 1, static_cast<size_t>(body));
    const int crcAt = newSize - 2;
    const uint16_t crc = av_bswap16(static_cast<uint16_t>(
        av_crc(av_crc_get_table(AV_CRC_16_ANSI), 0, frame.data(), static_cast<size_t>(crcAt))));
    AV_WB16(frame.data() + crcAt, crc);

    if (newSize > packet->size) {
        if (const int ret = av_grow_packet(packet, newSize - packet->size); ret < 0) {
            return ret;
        }
    } else {
        if (const int ret = av_packet_make_writable(packet); ret < 0) {
            return ret;
        }
        av_shrink_packet(packet, newSize);
    }
    if (const int ret = av_packet_make_writable(packet); ret < 0) {
        return ret;
    }
    std::memcpy(packet->data, frame.data(), static_cast<size_t>(newSize));
    return 0;
}

int StartFlacTotals(FlacStreamTotals& totals, const AVCodecContext* encoder) {
    totals.md5.reset(av_md5_alloc());
    if (!totals.md5) {
        totals.failed = true;
        return AVERROR(ENOMEM);
    }
    av_md5_init(totals.md5.get());
    totals.bitsPerSample = encoder->sample_fmt == AV_SAMPLE_FMT_S16
                               ? 16
                               : std::clamp(encoder->bits_per_raw_sample, 17, 24);
    return 0;
}

void AddFlacSamples(FlacStreamTotals& totals, const AVFrame* frame) {
    if (!totals.md5) {
        return;
    }
    const size_t values = static_cast<size_t>(frame->nb_samples) * frame->ch_layout.nb_channels;
    totals.samples += frame->nb_samples;
    if (totals.bitsPerSample == 16) {
        // Little-endian samples, as the encoder sums them on this machine.
        av_md5_update(totals.md5.get(), frame->data[0], values * 2);
        return;
    }
    // Deeper samples sit in the top bits of 32; they are summed as 3 bytes.
    const auto* samples = reinterpret_cast<const int32_t*>(frame->data[0]);
    const int shift = 32 - totals.bitsPerSample;
    uint8_t packed[3 * 1024];
    for (size_t done = 0; done < values;) {
        const size_t n = std::min<size_t>(1024, values - done);
        for (size_t i = 0; i < n; ++i) {
            AV_WL24(packed + 3 * i, static_cast<uint32_t>(samples[done + i] >> shift));
        }
        av_md5_update(totals.md5.get(), packed, 3 * n);
        done += n;
    }
}

void AddFlacFrame(FlacStreamTotals& totals, int bytes) {
    totals.minFrameBytes =
        totals.minFrameBytes == 0 ? bytes : std::min(totals.minFrameBytes, bytes);
    totals.maxFrameBytes = std::max(totals.maxFrameBytes, bytes);
}

int AttachFlacStreamInfo(FlacStreamTotals& totals, const AVCodecContext* encoder,
                         AVPacket* lastPacket) {
    if (totals.failed || !totals.md5 || encoder->extradata_size < kStreamInfoBytes) {
        return 0; // the header keeps the encoder's first STREAMINFO
    }
    uint8_t digest[16];
    av_md5_final(totals.md5.get(), digest);
    uint8_t* info =
        av_packet_new_side_data(lastPacket, AV_PKT_DATA_NEW_EXTRADATA, kStreamInfoBytes);
    if (!info) {
        return AVERROR(ENOMEM);
    }
    std::memcpy(info, encoder->extradata, kStreamInfoBytes);
    PutStreamInfoField(info, totals, digest);
    return 0;
}
