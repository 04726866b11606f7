// A batch's rows gathered into their albums, for the two places that wait for
// an album's last row: the ReplayGain tags and the album normalisation.
#pragma once

#include "engine/loudness_meter.h"

#include <memory>
#include <vector>

// Lists each album's rows (`Album` has `rows` and a count `left` of rows still
// to come) and gives every row of an album a meter. `albumOfRow` holds, per
// row, its album or -1 for none.
template <typename Album>
void CollectAlbumRows(const std::vector<int>& albumOfRow, std::vector<Album>& albums,
                      std::vector<std::unique_ptr<LoudnessMeter>>& meters) {
    meters.resize(albumOfRow.size());
    for (size_t row = 0; row < albumOfRow.size(); ++row) {
        const int album = albumOfRow[row];
        if (album < 0) {
            continue;
        }
        if (static_cast<size_t>(album) >= albums.size()) {
            albums.resize(static_cast<size_t>(album) + 1);
        }
        albums[static_cast<size_t>(album)].rows.push_back(static_cast<int>(row));
        ++albums[static_cast<size_t>(album)].left;
        meters[row] = std::make_unique<LoudnessMeter>();
    }
}
