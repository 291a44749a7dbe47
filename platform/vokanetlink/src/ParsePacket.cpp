// Generic packets: a root, items of fields, a message id.
#include "Objects.h"

namespace vk::netlink {

namespace {
constexpr int kBadArgument = -1;
constexpr int kWrongOrder = -2;
constexpr int kBadName = -3;

bool isIdentifier(std::string_view text) {
  if (text.empty()) return false;
  for (char c : text) {
    bool ok = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_';
    if (!ok) return false;
  }
  return true;
}
}  // namespace


int ParsePacketImpl::Begin(const char* rootName, const char* itemName) {
  if (!rootName || !itemName) return kBadArgument;
  if (state_ != State::New) return kWrongOrder;
  message_.root = fromSystem(rootName);
  message_.item = fromSystem(itemName);
  message_.items.emplace_back();
  state_ = State::Open;
  return 0;
}

int ParsePacketImpl::AddField(const char* key, const char* value) {
  if (!key || !*key) return kBadArgument;
  if (state_ != State::Open) return kWrongOrder;
  std::string name = fromSystem(key);
  if (strict_ && !isIdentifier(name)) return kBadName;
  message_.items.back().emplace_back(std::move(name), fromSystem(value));
  return 0;
}

int ParsePacketImpl::Finish() {
  if (state_ != State::Open) return kWrongOrder;
  state_ = State::Finished;
  return 0;
}

int ParsePacketImpl::NextItem() {
  if (state_ != State::Open) return kWrongOrder;
  message_.items.emplace_back();
  return 0;
}

int ParsePacketImpl::SetMessageId(int messageId) {
  if (messageId <= 0) return kBadArgument;
  message_.messageId = messageId;
  return 0;
}

wire::PacketMessage ParsePacketImpl::message() const { return message_; }

}  // namespace vk::netlink

ICParsePacket* ICParsePacket::CreateInstance(bool strict) { return new vk::netlink::ParsePacketImpl(strict); }

void ICParsePacket::ReleaseInstance(ICParsePacket* packet) { delete static_cast<vk::netlink::ParsePacketImpl*>(packet); }
