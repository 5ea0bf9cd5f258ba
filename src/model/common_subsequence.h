// A common subsequence of two sequences of symbols, longest as long as finding
// one stays cheap: which items the two have in common, in order, and so which
// were removed or added between them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace rdc {

inline constexpr std::size_t kUnmatched = static_cast<std::size_t>(-1);

// How far the search for a longest common subsequence goes in each part of
// the sequences before it settles for a long one (see below).
inline constexpr std::size_t kExactSearchLimit = 1000;

// For each position of `a`, the position of `b` that a common subsequence
// pairs it with, or kUnmatched; paired positions rise in both.
// Equal starts and ends are paired first, and items that only one of the
// sequences holds between them are left out; of the items left, N in `a` and
// M in `b`, D must be removed or added to turn one into the other (an item
// changed in place is not among them). The subsequence is a longest one when
// D <= 2 * searchLimit, and costs O((N + M) D) time; beyond that it is a
// common subsequence found in O((N + M) searchLimit). Memory is linear.
std::vector<std::size_t> LongestCommonSubsequence(std::span<const std::uint32_t> a,
                                                  std::span<const std::uint32_t> b,
                                                  std::size_t searchLimit = kExactSearchLimit);

}  // namespace rdc
