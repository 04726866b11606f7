// --shard K/N: the K-th of N disjoint shares of a run's sources, so that N
// machines, each given the same FILEs, convert every source exactly once
// between them.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

struct Shard {
    int index = 1; // K, from 1
    int count = 1; // N
};

// "2/3" -> {2, 3}; nullopt unless 1 <= K <= N.
std::optional<Shard> ParseShard(const std::string& text);

// FNV-1a over the bytes: the same on every machine, whatever its word order
// or standard library.
uint64_t StableHash(std::string_view text);

// Whether the source at `relativePath` (relative to its FILE argument, so
// that machines mounting the tree at different places agree) falls in
// `shard`.
bool InShard(std::string_view relativePath, const Shard& shard);
