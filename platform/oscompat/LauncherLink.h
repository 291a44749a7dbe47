#pragma once
// The link between the module and its parent launcher. The launcher's presence is a Unix
// socket it listens on; messages travel both ways as frames: a 32-bit type, a 32-bit payload
// length (both little-endian) and the payload.
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace oscompat {

// Path of the launcher's socket: $VOKARAN_LAUNCHER_SOCKET, else
// <runtime folder>/vokaran-launcher-<uid>.sock.
std::string launcherSocketPath();

enum class LauncherMessage : uint32_t {
  CopyData = 1,      // module -> launcher: u32 tag, then the data (tag 502: a device choice)
  UserContext = 2,   // module -> launcher: u32 message code, then the user context as text
  ExitApp = 16,      // launcher -> module: exit after confirmation
  PkExitApp = 17,    // launcher -> module: exit at once
  SettingAudioDevChange = 18,  // launcher -> module: the 528-byte device choice
  AudioDevChange = 19,         // launcher -> module: an audio device changed under the program
};

constexpr uint32_t kMaxLauncherPayload = 1u << 20;

struct LauncherFrame {
  LauncherMessage type{};
  std::vector<uint8_t> payload;
};

// Frame I/O on a connected socket. Oversized frames are refused (false).
bool writeLauncherFrame(int fd, LauncherMessage type, const void* data, size_t size);
bool readLauncherFrame(int fd, LauncherFrame& frame);

// One end of the link (module side or launcher side). Sends may come from any thread; frames
// received are handed to `onFrame` on the link's reader thread.
class LauncherConnection {
 public:
  LauncherConnection() = default;
  ~LauncherConnection();
  LauncherConnection(const LauncherConnection&) = delete;
  LauncherConnection& operator=(const LauncherConnection&) = delete;

  // Module side: connect to the launcher. False when no launcher listens.
  bool connect(const std::string& path = launcherSocketPath());
  // Launcher side: take an accepted socket.
  void adopt(int fd);
  bool isConnected() const;

  bool send(LauncherMessage type, const void* data, size_t size);
  bool sendCopyData(uint32_t tag, const void* data, size_t size);
  bool sendUserContext(int code, const std::string& text);

  // Starts the reader thread; `onFrame` also receives nothing more after the peer closes,
  // `onClosed` (optional) runs once then.
  void startReceiving(std::function<void(const LauncherFrame&)> onFrame,
                      std::function<void()> onClosed = {});
  void close();

 private:
  mutable std::mutex mutex_;
  int fd_ = -1;
  std::thread reader_;
};

// The module's one connection to its launcher (connected by the process entry).
LauncherConnection& launcherLink();

}  // namespace oscompat
