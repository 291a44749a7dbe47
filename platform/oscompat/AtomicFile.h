#pragma once
// Replacing a file so that it is never seen half-written: settings files, the menu file and
// the works file all go through here.
#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

namespace oscompat {

// Replaces the content of `path` with `bytes`. A reader, or the next start after the program
// or the machine stopped in the middle, finds either the old content or the new one, whole:
// the bytes go to a temporary file beside `path`, which is flushed to disk (fsync) and then
// renamed over it; the folder is flushed as well so the rename survives a power cut. A link
// at `path` stays a link: the file it points to is replaced. A file that existed keeps its
// permission bits; a new one gets 0666 less the umask.
// On failure nothing at `path` changes, the temporary file is removed and `error` (when given)
// names the call that failed and why. Any thread; concurrent writers of the same path each
// leave one whole version.
bool writeFileAtomically(const std::string& path, std::string_view bytes,
                         std::string* error = nullptr);

// Reads a whole file. False when it cannot be opened or read (`error` says why); a missing
// file is reported with `missing` set.
bool readWholeFile(const std::string& path, std::string& bytes, std::string* error = nullptr,
                   bool* missing = nullptr);

// Fault injection for tests: the writer stops being an ordinary writer and calls these at its
// steps, so a test can end the process (or fail the step) at any point of a write.
struct AtomicWriteHooks {
  // Bytes handed to each write(2) of the temporary file; 0 writes everything at once.
  size_t chunkSize = 0;
  // After each chunk reached the temporary file, with the number of bytes written so far.
  std::function<void(size_t written)> afterChunk;
  // After the temporary file was flushed and closed, before the rename.
  std::function<void()> beforeRename;
};
// Process-wide; pass an empty object to go back to normal writing. Not for production code.
void setAtomicWriteHooksForTesting(AtomicWriteHooks hooks);

}  // namespace oscompat
