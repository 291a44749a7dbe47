#pragma once
// Small helpers over AF_UNIX stream sockets shared by the instance lock and the launcher link.
#include <cstddef>
#include <string>

namespace oscompat::unixsock {

// A connected socket, or -1.
int connectTo(const std::string& path);
// A listening socket bound at `path` (a stale socket file is replaced), or -1.
int listenAt(const std::string& path);
// Writes all bytes; false on error. MSG_NOSIGNAL: a vanished peer is an error, not a signal.
bool writeAll(int fd, const void* data, size_t size);
// Reads exactly `size` bytes; false on EOF or error.
bool readExact(int fd, void* data, size_t size);
void closeFd(int& fd);

}  // namespace oscompat::unixsock
