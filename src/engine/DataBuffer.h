#pragma once
// Receives a song file from the networking library (DownloadSongData): keeps a copy of the
// bytes, in the order they come.
#include <vector>

#include "vokanetlink/VokaNetLink.h"

class DataBuffer : public ISynMidiFileList {
 public:
  void ReceiveData(const unsigned char* data, unsigned int length) override;
  std::vector<unsigned char>& bytes() { return bytes_; }

 private:
  std::vector<unsigned char> bytes_;
};
