#pragma once
// The development launcher's side of the contest service: see whether one runs, start the
// one beside the launcher when none does, and log the user in.
#include <map>
#include <string>
#include <sys/types.h>

struct ServiceOptions {
  std::string url;      // where the module will find the service
  std::string dataDir;  // the data folder of a service the launcher starts
  std::string mail;
  std::string password;
};

// True when a service answers the health check at `url` (2 s at most).
bool serviceIsUp(const std::string& url);

// Starts `vokaran-service` from the launcher's folder for a loopback `url` and waits until it
// answers (up to 20 s). Returns its process id, or -1 (the reason is printed).
pid_t startService(const ServiceOptions& options);

// Logs in; on success fills `params` with the user's parameters, UserID and SessionID and
// returns true. `error` says why not.
bool loginToService(const ServiceOptions& options, std::map<std::string, std::string>& params,
                    std::string& error);
