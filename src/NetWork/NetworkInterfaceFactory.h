#pragma once
// Factories of the network facade, kept by NetworkInterfaceFactoryManager under their type
// names.
#include <string>

class NetworkInterface;

class NetworkInterfaceFactory {
 public:
  explicit NetworkInterfaceFactory(std::wstring typeName) : typeName_(std::move(typeName)) {}
  virtual NetworkInterface* create() = 0;
  virtual void destroy(NetworkInterface* instance) = 0;
  virtual ~NetworkInterfaceFactory() = default;

  const std::wstring& getTypeName() const { return typeName_; }

 private:
  std::wstring typeName_;
};

// The factory of T, registered under T::TypeName.
template <class T>
class TplNetworkInterfaceFactory : public NetworkInterfaceFactory {
 public:
  TplNetworkInterfaceFactory() : NetworkInterfaceFactory(T::TypeName) {}
  NetworkInterface* create() override { return new T; }
  void destroy(NetworkInterface* instance) override { delete instance; }
};
