#pragma once
// Text from the server or the launcher (song identifiers, work keys, the user id) becomes part
// of file names. Such text goes through here before it meets a path.
#include <string>

// `text` as one file-name component: path separators ('/' and '\'), control characters and
// the characters of a ".." are replaced by '_', so the result never names a parent or another
// folder; empty text and "." give "_". Ordinary identifiers ("10001", "20240101120000_100001") come
// back unchanged. The result is at most 120 characters long.
std::wstring safeFileNameComponent(const std::wstring& text);
