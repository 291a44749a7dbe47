#pragma once
// The development launcher's side of the contest service: see whether one runs, start the
// one beside the launcher when none does, and log the user in.
#include <map>
#include <string>
#include <utility>
#include <vector>
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

// The account values among `sets` (leaveCanSingRecNum, leaveCanUploadNum, VokaCoin, Telphone)
// are set on the service for the logged-in user too, so that the module, which asks the
// service for the user's record, sees them. Needs a service started with --dev-accounts.
// True when there was nothing to set or the service took them; `error` says why not.
bool setAccountOnService(const ServiceOptions& options, const std::string& sessionId, const std::string& userId,
                         const std::vector<std::pair<std::string, std::string>>& sets, std::string& error);
