// Inventory listings: storage resources, LUNs, file systems and hosts with their initiators and
// IP ports, each a whole collection (every result page) or the objects of one exact name.
#include <algorithm>
#include <cstddef>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "unity/ManageEMCUnity.h"
#include "unity/OperationSupport.h"
#include "unity/messages/FilterText.h"
#include "unity/messages/InventoryMessages.h"

namespace {

// Host ids per initiator or IP port request of a filtered host listing: keeps each URL of
// bounded length.
const std::size_t kHostIdsPerRequest = 50;

// "(name eq "<name>")" for a non-empty name, else nothing. The operation has refused a name that
// cannot be quoted.
std::string NameFilter(const std::string& name) {
  return name.empty() ? std::string() : FilterEqTerm("name", name);
}

// The "parentHost.id"/"host.id" filters of a filtered host listing, one per batch of host ids;
// one empty filter (the whole collection) when every host is wanted or an id cannot be quoted.
std::vector<std::string> HostIdFilters(const char* key,
                                       const std::vector<_UnityHostListEntry>& hosts,
                                       bool filtered) {
  std::vector<std::string> filters;
  for (const _UnityHostListEntry& host : hosts) {
    if (!filtered || !FilterValueIsQuotable(host.id)) return {std::string()};
  }
  for (std::size_t i = 0; i < hosts.size(); ++i) {
    if (i % kHostIdsPerRequest == 0) filters.emplace_back();
    AppendFilterOrTerm(filters.back(), key, hosts[i].id);
  }
  return filters;
}

// Lists the records of Message once per filter and hands each to attach; false at the first
// failed request.
template <typename Message, typename Attach>
bool ListForHosts(ManageEMCUnity& session, const Operation& op,
                  const std::vector<std::string>& filters, Attach attach) {
  for (const std::string& filter : filters) {
    Message message;
    op.Init(message);
    message.Initialize(session.fileServer, filter);
    if (!session.ProcessWithServer("ListHosts", &message, {})) return false;
    std::vector<typename Message::Record> records;
    message.TakeList(records);
    for (auto& record : records) attach(record);
  }
  return true;
}

}  // namespace

bool ManageEMCUnity::ListStorageResources(std::vector<_UnityStorageResource>& resources,
                                          const _UNITY_STG_RES_TYPE& type,
                                          const std::string& name) {
  Operation op(*this, "ListStorageResources");
  op.Request("Request to List storage resources, on server [%s]. Type [%d] Name [%s]",
             fileServer.c_str(), static_cast<int>(type), name.c_str());
  resources.clear();
  if (fileServer.empty()) return op.Refuse("Fileserver name is empty");
  if (type < UNITY_STG_RES_TYPE_UNKNOWN) return op.Refuse("Storage resource type is invalid");
  if (op.RefuseUnquotable({{"Resource name", name}})) return false;
  std::string filter = NameFilter(name);
  if (type != UNITY_STG_RES_TYPE_UNKNOWN) {
    if (!filter.empty()) filter += " AND ";
    filter += "(type eq " + std::to_string(static_cast<int>(type)) + ")";
  }
  EMCUnityJsonListStorageResources message;
  op.Init(message);
  message.Initialize(fileServer, filter);
  if (!ProcessWithServer("ListStorageResources", &message, {})) return false;
  message.GetStorageResourceList(resources);
  return op.Succeeded("Successfully Listed storage resources, count [%zu]", resources.size());
}

bool ManageEMCUnity::ListLuns(std::vector<_UnityLunListEntry>& luns, const std::string& name) {
  Operation op(*this, "ListLuns");
  op.Request("Request to List LUNs, on server [%s]. Name [%s]", fileServer.c_str(), name.c_str());
  luns.clear();
  if (fileServer.empty()) return op.Refuse("Fileserver name is empty");
  if (op.RefuseUnquotable({{"LUN name", name}})) return false;
  EMCUnityJsonListLuns message;
  op.Init(message);
  message.Initialize(fileServer, NameFilter(name));
  if (!ProcessWithServer("ListLuns", &message, {})) return false;
  message.TakeList(luns);
  return op.Succeeded("Successfully Listed LUNs, count [%zu]", luns.size());
}

bool ManageEMCUnity::ListFileSystems(std::vector<_UnityFSListEntry>& fileSystems,
                                     const std::string& nasServerName, const std::string& name) {
  Operation op(*this, "ListFileSystems");
  op.Request("Request to List file systems, on server [%s]. NAS server [%s] Name [%s]",
             fileServer.c_str(), nasServerName.c_str(), name.c_str());
  fileSystems.clear();
  if (fileServer.empty()) return op.Refuse("Fileserver name is empty");
  if (op.RefuseUnquotable({{"NAS server name", nasServerName}, {"Filesystem name", name}})) {
    return false;
  }
  std::string filter = NameFilter(name);
  if (!nasServerName.empty()) {
    if (!filter.empty()) filter += " AND ";
    filter += FilterEqTerm("nasServer.name", nasServerName);
  }
  EMCUnityJsonListFileSystems message;
  op.Init(message);
  message.Initialize(fileServer, filter);
  if (!ProcessWithServer("ListFileSystems", &message, {})) return false;
  message.TakeList(fileSystems);
  return op.Succeeded("Successfully Listed file systems, count [%zu]", fileSystems.size());
}

bool ManageEMCUnity::ListHosts(std::vector<_UnityHostListEntry>& hosts, const std::string& name) {
  Operation op(*this, "ListHosts");
  op.Request("Request to List hosts, on server [%s]. Name [%s]", fileServer.c_str(), name.c_str());
  hosts.clear();
  if (fileServer.empty()) return op.Refuse("Fileserver name is empty");
  if (op.RefuseUnquotable({{"Host name", name}})) return false;

  std::vector<_UnityHostListEntry> found;
  {
    EMCUnityJsonListHosts message;
    op.Init(message);
    message.Initialize(fileServer, NameFilter(name));
    if (!ProcessWithServer("ListHosts", &message, {})) return false;
    message.TakeList(found);
  }
  std::unordered_map<std::string, std::size_t> byId;
  byId.reserve(found.size());
  for (std::size_t i = 0; i < found.size(); ++i) byId.emplace(found[i].id, i);

  // Initiators and IP ports of the listed hosts: all of them for a whole listing, else by host
  // id. Those of hosts not listed (or of no host) are left out.
  if (!found.empty()) {
    const bool filtered = !name.empty();
    const bool ok =
        ListForHosts<EMCUnityJsonListHostInitiators>(
            *this, op, HostIdFilters("parentHost.id", found, filtered),
            [&](_UnityHostInitiatorInfo& initiator) {
              const auto host = byId.find(initiator.parentHostId);
              if (host != byId.end())
                found[host->second].initiators.push_back(std::move(initiator));
            }) &&
        ListForHosts<EMCUnityJsonListHostIPPorts>(
            *this, op, HostIdFilters("host.id", found, filtered), [&](_UnityHostIPPort& port) {
              const auto host = byId.find(port.hostId);
              if (host != byId.end()) found[host->second].ipPorts.push_back(std::move(port));
            });
    if (!ok) return false;
  }
  hosts = std::move(found);
  return op.Succeeded("Successfully Listed hosts, count [%zu]", hosts.size());
}
