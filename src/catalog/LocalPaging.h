#pragma once
// Paging over a list held in memory: pages of `pageSize` elements, the last page for a page
// past the end, the first for a negative one.
#include <algorithm>
#include <cstddef>

struct LocalPage {
  int page = -1;            // the page delivered; -1 for an empty list
  std::size_t first = 0;    // index of its first element
  std::size_t count = 0;    // elements on it
};

inline int localPageCount(std::size_t size, int pageSize) {
  return static_cast<int>((size + pageSize - 1) / pageSize);
}

inline LocalPage localPage(std::size_t size, int pageSize, int page) {
  const int count = localPageCount(size, pageSize);
  LocalPage out;
  out.page = page < count ? (page < 0 ? 0 : page) : count - 1;
  if (out.page < 0) return out;
  out.first = static_cast<std::size_t>(out.page) * pageSize;
  out.count = std::min<std::size_t>(pageSize, size - out.first);
  return out;
}
