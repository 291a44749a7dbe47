// The service's SQLite database: schema and a pool of connections shared by the request
// threads (one connection per request at a time; WAL lets readers run beside a writer).
#pragma once

#include <filesystem>
#include <memory>
#include <mutex>
#include <vector>

#include "Sqlite.h"

namespace vk::service {

class Database {
 public:
  // Opens or creates `file` and brings its schema up to date.
  Database(std::filesystem::path file, bool fullSync);

  class Lease {
   public:
    Lease(Database& owner, std::unique_ptr<Connection> connection)
        : owner_(&owner), connection_(std::move(connection)) {}
    Lease(Lease&&) = default;
    Lease& operator=(Lease&&) = delete;
    ~Lease();
    Connection& operator*() const { return *connection_; }
    Connection* operator->() const { return connection_.get(); }

   private:
    Database* owner_;
    std::unique_ptr<Connection> connection_;
  };

  // Any thread: a connection for the caller's exclusive use until the lease ends.
  Lease acquire();

 private:
  void createSchema(Connection& connection);

  std::filesystem::path file_;
  bool fullSync_;
  std::mutex mutex_;
  std::vector<std::unique_ptr<Connection>> idle_;
};

}  // namespace vk::service
