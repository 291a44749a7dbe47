// The service's database: schema and a pool of connections shared by the request threads (one
// connection per request at a time). SQLite in the data folder by default (WAL lets readers run
// beside a writer), or a PostgreSQL server shared by several services.
#pragma once

#include <filesystem>
#include <memory>
#include <mutex>
#include <vector>

#include "Sql.h"

namespace vk::service {

class Database {
 public:
  // Opens or creates the database and brings its schema up to date. Throws SqlError.
  explicit Database(DatabaseTarget target);

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

  // Any thread: a connection for the caller's exclusive use until the lease ends. Throws
  // SqlError (unavailable()) while a database server cannot be reached; connections it broke are
  // dropped as their leases end, so the next call connects anew.
  Lease acquire();
  Backend backend() const { return target_.postgresUrl.empty() ? Backend::sqlite : Backend::postgresql; }

 private:
  void createSchema(Connection& connection);

  DatabaseTarget target_;
  std::mutex mutex_;
  std::vector<std::unique_ptr<Connection>> idle_;
};

}  // namespace vk::service
