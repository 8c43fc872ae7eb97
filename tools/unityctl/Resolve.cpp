#include "tools/unityctl/Resolve.h"

#include <cctype>

#include "tools/unityctl/Context.h"

namespace unityctl {
namespace {

// The array's ids are a prefix, an underscore and digits (sv_1, res_12, nas_2, Host_3).
bool LooksLikeId(const std::string& text, const std::string& prefix) {
  if (text.size() <= prefix.size() + 1 || text.compare(0, prefix.size(), prefix) != 0 ||
      text[prefix.size()] != '_')
    return false;
  for (size_t i = prefix.size() + 1; i < text.size(); ++i)
    if (!std::isdigit(static_cast<unsigned char>(text[i]))) return false;
  return true;
}

std::string Joined(const std::vector<std::string>& items) {
  std::string text;
  for (const std::string& item : items) text += (text.empty() ? "" : ", ") + item;
  return text;
}

}  // namespace

CLI::Validator SnapshotIdCheck() {
  return CLI::Validator(
      [](std::string& text) -> std::string {
        bool digits = !text.empty() && text.size() <= 20;
        for (char c : text) digits = digits && std::isdigit(static_cast<unsigned char>(c)) != 0;
        if (!digits || text.find_first_not_of('0') == std::string::npos)
          return "'" + text +
                 "' is not a snapshot id: give the positive number that snap list shows";
        return "";
      },
      "SNAPSHOT_ID");
}

int ResolveNas(ManageEMCUnity& session, const std::string& given, _UnityNASServer& found) {
  std::vector<_UnityNASServer> servers;
  if (!session.GetNASServers(servers, "")) return ReportFailure(session, "listing NAS servers");
  std::vector<std::string> ids;
  for (const _UnityNASServer& nas : servers) {
    if (nas.id == given) {
      found = nas;
      return kExitOk;
    }
    if (nas.name == given) {
      ids.push_back(nas.id);
      found = nas;
    }
  }
  if (ids.size() == 1) return kExitOk;
  if (ids.empty())
    return Complain(kExitFailed, "no NAS server has the id or name '" + given + "'",
                    "'unityctl nas list' shows the NAS servers");
  return Complain(kExitFailed,
                  std::to_string(ids.size()) + " NAS servers are named '" + given + "'",
                  "give one of their ids instead: " + Joined(ids));
}

int ResolveHost(ManageEMCUnity& session, const std::string& given, std::string& hostId) {
  if (LooksLikeId(given, "Host")) {
    hostId = given;
    return kExitOk;
  }
  if (session.GetHostId(hostId, given)) return kExitOk;
  if (session.errorCode == kMissingResource)
    return Complain(kExitFailed, "no host has the id or name '" + given + "'",
                    "give a host id (Host_N) or the name of a host the array knows");
  return ReportFailure(session, "looking up host " + given);
}

int ResolveHosts(ManageEMCUnity& session, const std::vector<std::string>& given,
                 std::vector<std::string>& hostIds) {
  hostIds.clear();
  for (const std::string& host : given) {
    std::string id;
    if (const int status = ResolveHost(session, host, id)) return status;
    hostIds.push_back(id);
  }
  return kExitOk;
}

int ResolveResource(ManageEMCUnity& session, const std::string& given,
                    const std::vector<_UNITY_STG_RES_TYPE>& types, std::string& resourceId) {
  if (LooksLikeId(given, "sv") || LooksLikeId(given, "res")) {
    resourceId = given;
    return kExitOk;
  }
  for (const _UNITY_STG_RES_TYPE type : types) {
    if (session.GetResIdForName(resourceId, given, type)) return kExitOk;
    // None of this type: try the next. Anything else (several, or a failed request) ends here.
    if (session.errorCode != kMissingResource)
      return ReportFailure(session, "looking up storage resource " + given);
  }
  return Complain(kExitFailed, "no storage resource has the id or name '" + given + "'",
                  "give its id (sv_N or res_N) or its exact name");
}

}  // namespace unityctl
