#include "avmedia/Filter.h"

namespace avmedia {

void SampleReturn::operator()(MediaSample* sample) const {
  if (pool) pool->giveBack(sample);
  else delete sample;
}

SamplePtr SamplePool::tryAcquire() {
  std::lock_guard g(lock_);
  if (!free_.empty()) {
    MediaSample* sample = free_.back().release();
    free_.pop_back();
    ++handedOut_;
    return SamplePtr(sample, SampleReturn{this});
  }
  if (handedOut_ >= capacity_) return SamplePtr(nullptr, SampleReturn{this});
  ++handedOut_;
  return SamplePtr(new MediaSample, SampleReturn{this});
}

void SamplePool::giveBack(MediaSample* sample) {
  std::lock_guard g(lock_);
  free_.emplace_back(sample);
  if (handedOut_ > 0) --handedOut_;
}

HRESULT IPin::connect(IPin& output, IPin& input) {
  if (output.direction_ != PinDirection::Output || input.direction_ != PinDirection::Input)
    return E_INVALIDARG;
  if (output.connected_ || input.connected_) return VFW_E_ALREADY_CONNECTED;
  if (output.kind_ != input.kind_) return VFW_E_NOT_FOUND;
  output.connected_ = &input;
  input.connected_ = &output;
  return S_OK;
}

void IPin::disconnect(IPin& pin) {
  if (pin.connected_) pin.connected_->connected_ = nullptr;
  pin.connected_ = nullptr;
}

bool IBaseFilter::hasOutputs() {
  for (IPin* pin : pins())
    if (pin->direction() == PinDirection::Output) return true;
  return false;
}

void IBaseFilter::notify(long code, long param1, long param2) {
  if (events_) events_->Notify(code, param1, param2);
}

}  // namespace avmedia
