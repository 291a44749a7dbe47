#include "NetWork/NetRecords.h"

#include <cstring>

PictureBuffer::PictureBuffer(const unsigned char* bytes, std::size_t length)
    : bytes_(new unsigned char[2 * length + 2]()), length_(length) {
  if (length) std::memcpy(bytes_.get(), bytes, length);
}

PictureBuffer::PictureBuffer(const PictureBuffer& other)
    : PictureBuffer(other.bytes_ ? other.bytes_.get() : nullptr, other.bytes_ ? other.length_ : 0) {}

PictureBuffer& PictureBuffer::operator=(const PictureBuffer& other) {
  if (this != &other) *this = PictureBuffer(other);
  return *this;
}

SongInfo::SongInfo(const SongRecord& song) {
  texts_[0] = song.SongID;
  texts_[1] = song.SongName;
  texts_[7] = texts_[8] = texts_[9] = song.SingerName;
  texts_[11] = song.FlashCode1;
  texts_[12] = song.FlashCode2;
  texts_[13] = song.FlashCode3;
  texts_[14] = song.FlashCode4;
  texts_[15] = song.FlashCode5;
  texts_[16] = song.SingerKey;
}

namespace {
std::string textOf(const char* text) { return text ? text : ""; }
}  // namespace

LocalSettingInfoImp::LocalSettingInfoImp(const ILocalSettingInfo& o)
    : values{o.GetA(), o.GetB(), o.GetC(), o.GetD(), o.GetE(), o.GetF(), o.GetG(),
             o.GetH(), o.GetI(), o.GetJ(), o.GetK(), o.GetL(), o.GetM()},
      texts{textOf(o.GetText0()), textOf(o.GetText1()), textOf(o.GetText2()), textOf(o.GetText3())} {}
