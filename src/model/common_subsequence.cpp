// A longest common subsequence by the O((N + M) D) difference algorithm in
// linear space: the middle of a shortest edit path is found by searching from
// both ends at once, and the two halves are solved the same way.
#include "model/common_subsequence.h"

#include <algorithm>
#include <cstddef>
#include <cstdlib>
#include <unordered_set>
#include <utility>

namespace rdc {

namespace {

using Index = std::ptrdiff_t;

// The part [aBegin, aEnd) x [bBegin, bEnd) of the two sequences still to align.
struct Box {
  Index aBegin, aEnd, bBegin, bEnd;
};

struct Point {
  Index x, y;
};

class Aligner {
 public:
  // `aAt` and `bAt` give each item's position in the caller's sequences.
  Aligner(std::vector<std::uint32_t> a, std::vector<std::size_t> aAt, std::vector<std::uint32_t> b,
          std::vector<std::size_t> bAt, Index searchLimit, std::vector<std::size_t>& match)
      : a_(std::move(a)),
        aAt_(std::move(aAt)),
        b_(std::move(b)),
        bAt_(std::move(bAt)),
        searchLimit_(searchLimit),
        match_(match) {}

  void Run() {
    // A stack of boxes rather than recursion: the halves may be uneven, and a
    // deep recursion would overrun the thread's stack.
    std::vector<Box> pending{{0, Size(a_), 0, Size(b_)}};
    while (!pending.empty()) {
      Box box = pending.back();
      pending.pop_back();
      MatchEnds(box);
      if (box.aBegin == box.aEnd || box.bBegin == box.bEnd) continue;
      Point split{};
      if (!FindSplit(box, split)) continue;  // nothing in common
      pending.push_back({box.aBegin + split.x, box.aEnd, box.bBegin + split.y, box.bEnd});
      pending.push_back({box.aBegin, box.aBegin + split.x, box.bBegin, box.bBegin + split.y});
    }
  }

 private:
  template <typename T>
  static Index Size(const std::vector<T>& items) {
    return static_cast<Index>(items.size());
  }

  void Match(Index x, Index y) {
    match_[aAt_[static_cast<std::size_t>(x)]] = bAt_[static_cast<std::size_t>(y)];
  }

  bool Same(Index x, Index y) const {
    return a_[static_cast<std::size_t>(x)] == b_[static_cast<std::size_t>(y)];
  }

  // Pairs the equal items at the box's start and end and shrinks it past them.
  void MatchEnds(Box& box) {
    while (box.aBegin < box.aEnd && box.bBegin < box.bEnd && Same(box.aBegin, box.bBegin))
      Match(box.aBegin++, box.bBegin++);
    while (box.aBegin < box.aEnd && box.bBegin < box.bEnd && Same(box.aEnd - 1, box.bEnd - 1))
      Match(--box.aEnd, --box.bEnd);
  }

  // The furthest x reached on diagonal k = x - y, by paths from the box's
  // start (forward) or from its end (reverse, x counted from the end).
  Index& Furthest(std::vector<Index>& furthest, Index k) {
    return furthest[static_cast<std::size_t>(offset_ + k)];
  }

  // A point, relative to the box, that a shortest edit path through the box
  // passes, other than its corners, so both parts are smaller. The box's
  // first items differ and so do its last. False when it has nothing in common.
  bool FindSplit(const Box& box, Point& split) {
    const Index n = box.aEnd - box.aBegin;
    const Index m = box.bEnd - box.bBegin;
    const Index maxD = std::min((n + m + 1) / 2, searchLimit_ + 1);
    offset_ = maxD + 1;  // diagonals -maxD-1 .. maxD+1
    const Index size = 2 * maxD + 3;
    forward_.assign(static_cast<std::size_t>(size), -1);
    reverse_.assign(static_cast<std::size_t>(size), -1);
    Furthest(forward_, 1) = 0;
    Furthest(reverse_, 1) = 0;
    const Index delta = n - m;
    const bool odd = (delta % 2) != 0;
    // Diagonals whose paths ran off the box's right or bottom edge are not
    // extended again.
    Index forwardLow = 0, forwardHigh = 0, reverseLow = 0, reverseHigh = 0;
    for (Index d = 0; d < maxD; ++d) {
      for (Index k = -d + forwardLow; k <= d - forwardHigh; k += 2) {
        Index x = (k == -d || (k != d && Furthest(forward_, k - 1) < Furthest(forward_, k + 1)))
                      ? Furthest(forward_, k + 1)
                      : Furthest(forward_, k - 1) + 1;
        Index y = x - k;
        while (x < n && y < m && Same(box.aBegin + x, box.bBegin + y)) ++x, ++y;
        Furthest(forward_, k) = x;
        if (x > n) {
          forwardHigh += 2;
        } else if (y > m) {
          forwardLow += 2;
        } else if (odd) {
          const Index r = delta - k;  // the same diagonal, seen from the end
          if (std::abs(r) <= d - 1 && Furthest(reverse_, r) != -1 &&
              x >= n - Furthest(reverse_, r)) {
            split = {x, y};
            return true;
          }
        }
      }
      if (d == searchLimit_) return FurthestForward(n, m, d, forwardLow, forwardHigh, split);
      for (Index k = -d + reverseLow; k <= d - reverseHigh; k += 2) {
        Index x = (k == -d || (k != d && Furthest(reverse_, k - 1) < Furthest(reverse_, k + 1)))
                      ? Furthest(reverse_, k + 1)
                      : Furthest(reverse_, k - 1) + 1;
        Index y = x - k;
        while (x < n && y < m && Same(box.aEnd - 1 - x, box.bEnd - 1 - y)) ++x, ++y;
        Furthest(reverse_, k) = x;
        if (x > n) {
          reverseHigh += 2;
        } else if (y > m) {
          reverseLow += 2;
        } else if (!odd) {
          const Index f = delta - k;
          if (std::abs(f) <= d && Furthest(forward_, f) != -1 && Furthest(forward_, f) >= n - x) {
            split = {Furthest(forward_, f), Furthest(forward_, f) - f};
            return true;
          }
        }
      }
    }
    return false;
  }

  // Past the search limit: the point where the paths from the start got
  // furthest. The parts still align, but perhaps not to a longest subsequence.
  bool FurthestForward(Index n, Index m, Index d, Index low, Index high, Point& split) {
    Point best{-1, -1};
    for (Index k = -d + low; k <= d - high; k += 2) {
      const Index x = Furthest(forward_, k);
      const Index y = x - k;
      if (x > n || y > m || (x == n && y == m)) continue;
      if (x + y > best.x + best.y) best = {x, y};
    }
    if (best.x < 0) return false;
    split = best;
    return true;
  }

  std::vector<std::uint32_t> a_;
  std::vector<std::size_t> aAt_;
  std::vector<std::uint32_t> b_;
  std::vector<std::size_t> bAt_;
  const Index searchLimit_;
  std::vector<std::size_t>& match_;
  std::vector<Index> forward_, reverse_;
  Index offset_ = 0;
};

// The items of `items` in [begin, end) that `other` holds, with their
// positions: no other item can be in common, and leaving them out keeps the
// search short when many items changed.
void KeepShared(std::span<const std::uint32_t> items, std::size_t begin, std::size_t end,
                const std::unordered_set<std::uint32_t>& other, std::vector<std::uint32_t>& kept,
                std::vector<std::size_t>& at) {
  for (std::size_t i = begin; i < end; ++i) {
    if (!other.contains(items[i])) continue;
    kept.push_back(items[i]);
    at.push_back(i);
  }
}

}  // namespace

std::vector<std::size_t> LongestCommonSubsequence(std::span<const std::uint32_t> a,
                                                  std::span<const std::uint32_t> b,
                                                  std::size_t searchLimit) {
  std::vector<std::size_t> match(a.size(), kUnmatched);
  // Equal starts and ends first: one change in a long list costs a pass.
  std::size_t head = 0;
  while (head < a.size() && head < b.size() && a[head] == b[head]) {
    match[head] = head;
    ++head;
  }
  std::size_t aEnd = a.size(), bEnd = b.size();
  while (aEnd > head && bEnd > head && a[aEnd - 1] == b[bEnd - 1]) match[--aEnd] = --bEnd;
  if (aEnd == head || bEnd == head) return match;

  const std::unordered_set<std::uint32_t> inA(a.data() + head, a.data() + aEnd);
  const std::unordered_set<std::uint32_t> inB(b.data() + head, b.data() + bEnd);
  std::vector<std::uint32_t> sharedA, sharedB;
  std::vector<std::size_t> aAt, bAt;
  KeepShared(a, head, aEnd, inB, sharedA, aAt);
  KeepShared(b, head, bEnd, inA, sharedB, bAt);
  const auto limit = static_cast<Index>(std::max<std::size_t>(searchLimit, 1));
  Aligner(std::move(sharedA), std::move(aAt), std::move(sharedB), std::move(bAt), limit, match)
      .Run();
  return match;
}

}  // namespace rdc
