#include "cli/shard.h"

#include <charconv>

namespace {

std::optional<int> WholeNumber(std::string_view text) {
    int value = 0;
    const char* last = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), last, value);
    if (text.empty() || ec != std::errc() || ptr != last) {
        return std::nullopt;
    }
    return value;
}

} // namespace

std::optional<Shard> ParseShard(const std::string& text) {
    const size_t slash = text.find('/');
    if (slash == std::string::npos) {
        return std::nullopt;
    }
    const std::string_view view = text;
    const std::optional<int> index = WholeNumber(view.substr(0, slash));
    const std::optional<int> count = WholeNumber(view.substr(slash + 1));
    if (!index || !count || *count < 1 || *index < 1 || *index > *count) {
        return std::nullopt;
    }
    return Shard{*index, *count};
}

uint64_t StableHash(std::string_view text) {
    uint64_t hash = 14695981039346656037ull;
    for (const char c : text) {
        hash ^= static_cast<unsigned char>(c);
        hash *= 1099511628211ull;
    }
    return hash;
}

bool InShard(std::string_view relativePath, const Shard& shard) {
    return StableHash(relativePath) % static_cast<uint64_t>(shard.count) ==
           static_cast<uint64_t>(shard.index - 1);
}
