#include "engine/DataBuffer.h"

void DataBuffer::ReceiveData(const unsigned char* data, unsigned int length) {
  if (data && length) bytes_.insert(bytes_.end(), data, data + length);
}
