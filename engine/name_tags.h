// The tags an output name is made from, read from the source's header only:
// a rerun over a large library reads them for every file, and the header is
// all they need.
#pragma once

#include "engine/name_pattern.h"

#include <string>

// Fills the tag fields of `tags` (artist, album artist, album, title, track,
// disc, date, genre) from the container's and the first audio stream's
// tags; the name and folder fields are left alone. Returns true when the
// file opens as media with sound (or streams only found while reading);
// false, with the tags untouched, otherwise.
bool ReadNameTags(const std::string& path, NameTags& tags);
