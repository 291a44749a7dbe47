#pragma once
// Blocking HTTP fetches of a web address (the contest square's pictures). Stateless; any
// thread; each call makes its own request.
#include <cstddef>
#include <string>

class CHttp {
 public:
  // The body length the server announces for the address, or 0: also for a text that is no
  // URL (without any network access), a failed request or an answer without a length.
  static int contentLength(const std::wstring& url);
  // Fetches the body into `destination`, which holds `capacity` bytes: at most the length
  // this answer announces, and never more than `capacity` (an answer announcing more fails).
  // 1 when the body was read, with its size in `length`; 0 on failure (no URL, no
  // connection, a transfer cut short).
  static int download(const std::wstring& url, unsigned char* destination, std::size_t capacity,
                      std::size_t& length);

  // Whether the text has the form of a URL: a scheme of two or more letters, digits, '+',
  // '-' or '.', starting with a letter, followed by ':'.
  static bool isUrl(const std::wstring& text);
};
