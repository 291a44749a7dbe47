#pragma once
// The registry of network facade factories, by type name: a singleton (the constructor
// registers it, the destructor clears it). The application creates it during start-up, has
// the facade made through it and deletes it at clean-up.
#include <CEGUI/Singleton.h>

#include <map>
#include <memory>
#include <string>

#include "NetWork/NetworkInterfaceFactory.h"

class NetworkInterfaceFactoryManager : public CEGUI::Singleton<NetworkInterfaceFactoryManager> {
 public:
  NetworkInterfaceFactoryManager() = default;
  // Deletes the factories still registered.
  ~NetworkInterfaceFactoryManager();
  NetworkInterfaceFactoryManager(const NetworkInterfaceFactoryManager&) = delete;
  NetworkInterfaceFactoryManager& operator=(const NetworkInterfaceFactoryManager&) = delete;

  static NetworkInterfaceFactoryManager* getSingletonPtr() { return ms_Singleton; }

  // Takes ownership of `factory`. Throws CEGUI::NullObjectException for a null factory and
  // CEGUI::AlreadyExistsException when its type name is registered already (the caller still
  // owns the factory then).
  void addFactory(NetworkInterfaceFactory* factory);
  // The factory of `typeName`, or null.
  NetworkInterfaceFactory* getFactory(const std::wstring& typeName) const;
  // Removes and deletes the factory; unknown names and factories are ignored.
  void removeFactory(const std::wstring& typeName);
  void removeFactory(NetworkInterfaceFactory* factory);
  void removeAllFactories();

 private:
  std::map<std::wstring, std::unique_ptr<NetworkInterfaceFactory>> factories_;
};

// Registers a TplNetworkInterfaceFactory<T> with the registry when one exists; a factory
// that cannot be registered is deleted and the exception passed on.
template <class T>
void addNetworkInterfaceFactory() {
  auto* manager = NetworkInterfaceFactoryManager::getSingletonPtr();
  if (!manager) return;
  auto factory = std::make_unique<TplNetworkInterfaceFactory<T>>();
  manager->addFactory(factory.get());
  (void)factory.release();
}
