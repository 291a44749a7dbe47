#pragma once
// The paging both works lists share: six works a page, pages counted from 1, page 0 when there
// is none; the page buttons wrap round at either end.
#include <string>

namespace workspaging {
constexpr int kPageSize = 6;

inline int pageCount(int works) { return works <= 0 ? 0 : (works + kPageSize - 1) / kPageSize; }
// The previous-page button: from page 1 (or below) to the last page.
inline int previous(int current, int count) { return current - 1 < 1 ? count : current - 1; }
// The next-page button: past the last page to page 1.
inline int next(int current, int count) { return current + 1 > count ? 1 : current + 1; }
// "2/3".
inline std::string text(int current, int count) { return std::to_string(current) + "/" + std::to_string(count); }
}  // namespace workspaging
