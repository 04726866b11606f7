#include "engine/mp3_join.h"

#include <cstdint>

namespace {

struct FrameLayout {
    int sideInfoEnd = 0; // where the frame's own sound data starts
    int borrowed = 0;    // main_data_begin
};

bool ReadLayout(const AVPacket* frame, FrameLayout& layout) {
    const uint8_t* d = frame->data;
    if (!d || frame->size < 4 || d[0] != 0xFF || (d[1] & 0xE0) != 0xE0) {
        return false;
    }
    const int version = (d[1] >> 3) & 3; // 3: MPEG-1, 2: MPEG-2, 0: MPEG-2.5
    const int layer = (d[1] >> 1) & 3;   // 1: Layer III
    if (version == 1 || layer != 1) {
        return false;
    }
    const bool crc = (d[1] & 1) == 0;
    const bool mono = (d[3] >> 6) == 3;
    const bool mpeg1 = version == 3;
    const int sideInfo = mpeg1 ? (mono ? 17 : 32) : (mono ? 9 : 17);
    const int start = 4 + (crc ? 2 : 0);
    layout.sideInfoEnd = start + sideInfo;
    if (frame->size < layout.sideInfoEnd) {
        return false;
    }
    const uint8_t* side = d + start;
    layout.borrowed = mpeg1 ? (side[0] << 1) | (side[1] >> 7) : side[0];
    return true;
}

// The sound data areas of consecutive frames, read as one run of bytes from
// its end backwards.
class ReservoirTail {
public:
    explicit ReservoirTail(const std::vector<AVPacket*>& frames) : m_frames(frames) {}

    // The byte `back` bytes before the end (1 is the last); null past the start.
    uint8_t* At(int back) const {
        for (size_t i = m_frames.size(); i-- > 0;) {
            FrameLayout layout;
            if (!ReadLayout(m_frames[i], layout)) {
                return nullptr;
            }
            const int area = m_frames[i]->size - layout.sideInfoEnd;
            if (back <= area) {
                return m_frames[i]->data + m_frames[i]->size - back;
            }
            back -= area;
        }
        return nullptr;
    }

private:
    const std::vector<AVPacket*>& m_frames;
};

} // namespace

int Mp3BorrowedBytes(const AVPacket* frame) {
    FrameLayout layout;
    return ReadLayout(frame, layout) ? layout.borrowed : -1;
}

bool CarryMp3Reservoir(const std::vector<AVPacket*>& before, const std::vector<AVPacket*>& donors,
                       const AVPacket* joining, const AVPacket* replaced) {
    const int wanted = Mp3BorrowedBytes(joining);
    // The frame the join replaces borrowed this much: the first stream's own
    // frames end that far before the join.
    const int free = Mp3BorrowedBytes(replaced);
    if (wanted < 0 || free < 0 || wanted > free) {
        return false;
    }
    const ReservoirTail to(before);
    const ReservoirTail from(donors);
    for (int back = 1; back <= wanted; ++back) {
        if (!to.At(back) || !from.At(back)) {
            return false;
        }
    }
    for (AVPacket* frame : before) {
        if (av_packet_make_writable(frame) < 0) {
            return false;
        }
    }
    for (int back = 1; back <= wanted; ++back) {
        *to.At(back) = *from.At(back);
    }
    return true;
}
