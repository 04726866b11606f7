// Two MP3 streams of the same sound joined at a frame. An MP3 frame may keep
// the start of its sound data in the frames before it (the bit reservoir):
// the first frame taken from the second stream would read bytes the first
// stream put to other use. Such a join is only sound where the first stream
// leaves at least as many bytes free before the join as the second stream's
// frame borrows; those bytes are then copied across.
#pragma once

#include "engine/ffmpeg_ptr.h"

#include <vector>

// How many bytes of its sound data a Layer III frame keeps in the frames
// before it; -1 when the packet is no such frame.
int Mp3BorrowedBytes(const AVPacket* frame);

// Moves the second stream's reservoir into the first at a join: `before` are
// the first stream's frames before the join (in order), `donors` the second
// stream's frames before the same point, `joining` the second stream's frame
// at the join and `replaced` the first stream's frame there, which the join
// drops. Returns false, changing nothing, when the first stream has fewer
// bytes free there than the joining frame borrows.
bool CarryMp3Reservoir(const std::vector<AVPacket*>& before, const std::vector<AVPacket*>& donors,
                       const AVPacket* joining, const AVPacket* replaced);
