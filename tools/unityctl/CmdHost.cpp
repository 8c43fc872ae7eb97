#include <map>
#include <string>
#include <utility>
#include <vector>

#include "tools/unityctl/Commands.h"
#include "tools/unityctl/Output.h"
#include "tools/unityctl/Resolve.h"
#include "unity/ManageEMCUnity.h"

namespace unityctl {
namespace {

struct HostArgs {
  std::string name;
  std::string id;
  std::string wwn;
  std::string address;
  std::string host;
  std::string initiator;
  std::string osType;
  int hostType = UNITY_HOST_TYPE_MANUAL;
  int initiatorType = UNITY_HOSTINITIATOR_TYPE_NONE;
  bool reuse = false;
  bool safe = false;
};

void RegisterLookups(CLI::App* hostCmd, const CommonOptions& options, Action& action,
                     HostArgs& args) {
  CLI::App* show = hostCmd->add_subcommand("show", "Show the id of the host of a name");
  show->add_option("-n,--name", args.name, "Host name")->required();
  OnSession(show, options, action, [&args](ManageEMCUnity& s, const Output& out) {
    std::string id;
    if (const int status = ResolveHost(s, args.name, id)) return status;
    out.record({{"id", id}, {"name", args.name}});
    return static_cast<int>(kExitOk);
  });

  CLI::App* initiator =
      hostCmd->add_subcommand("initiator", "Show exactly one initiator, by id or port WWN");
  auto* byId = initiator->add_option("-i,--id", args.id, "Initiator id (IQN or WWNN:WWPN)");
  auto* byWwn = initiator->add_option("-w,--wwn", args.wwn, "FC port WWN");
  byId->excludes(byWwn);
  initiator->require_option(1);
  OnSession(initiator, options, action, [&args](ManageEMCUnity& s, const Output& out) {
    _UnityHostInitiatorInfo info;
    const bool byPort = !args.wwn.empty();
    if (!s.GetHostInitiatorInfo(info, byPort ? args.wwn : args.id, byPort))
      return ReportFailure(s, "host initiator");
    out.record({{"id", info.id},
                {"type", static_cast<int>(info.type)},
                {"initiatorId", info.initiatorId},
                {"parentHost", info.parentHostId}});
    return static_cast<int>(kExitOk);
  });

  CLI::App* ipport = hostCmd->add_subcommand("ipport", "Show exactly one host IP port by address");
  ipport->add_option("-A,--address", args.address, "IP address, DNS name or netgroup")->required();
  OnSession(ipport, options, action, [&args](ManageEMCUnity& s, const Output& out) {
    _UnityHostIPPort port;
    if (!s.GetHostIPPort(port, args.address)) return ReportFailure(s, "host ipport");
    out.record({{"id", port.id}, {"address", port.address}, {"host", port.hostId}});
    return static_cast<int>(kExitOk);
  });

  CLI::App* loggedIn = hostCmd->add_subcommand(
      "logged-in", "List logged-in initiators (port WWN, or the IQN for iSCSI)");
  OnSession(loggedIn, options, action, [](ManageEMCUnity& s, const Output& out) {
    std::vector<std::string> initiators;
    if (!s.GetLoggedInInitiators(initiators)) return ReportFailure(s, "host logged-in");
    std::vector<Row> rows;
    for (const std::string& i : initiators) rows.push_back({i});
    out.table({"initiator"}, rows);
    return static_cast<int>(kExitOk);
  });
}

void RegisterChanges(CLI::App* hostCmd, const CommonOptions& options, Action& action,
                     HostArgs& args) {
  CLI::App* create = hostCmd->add_subcommand("create", "Create a host, or reuse one of the name");
  create->add_option("-n,--name", args.name, "Host name")->required();
  create->add_option("-t,--type", args.hostType, "The array's host type number (1 = manual)")
      ->capture_default_str();
  create->add_option("--os-type", args.osType, "Operating system text");
  create->add_flag("--reuse", args.reuse, "Return the existing host of the name instead");
  OnSession(create, options, action, [&args](ManageEMCUnity& s, const Output& out) {
    std::string id;
    if (!s.CreateHost(id, args.name, static_cast<_UNITY_HOST_TYPE>(args.hostType), args.reuse,
                      args.osType)) {
      return ReportFailure(s, "host create");
    }
    out.action("host " + args.name + " is " + id,
               {{"action", "host create"}, {"id", id}, {"name", args.name}});
    return static_cast<int>(kExitOk);
  });

  CLI::App* addInitiator = hostCmd->add_subcommand("add-initiator", "Add an initiator to a host");
  addInitiator->add_option("-H,--host", args.host, "Host id or name")->required();
  addInitiator->add_option("-t,--type", args.initiatorType, "fc or iscsi")
      ->required()
      ->transform(CLI::CheckedTransformer(
          std::map<std::string, int>{{"fc", UNITY_HOSTINITIATOR_TYPE_FC},
                                     {"iscsi", UNITY_HOSTINITIATOR_TYPE_ISCSI}},
          CLI::ignore_case));
  addInitiator->add_option("-i,--id", args.id, "WWNN:WWPN (FC) or IQN (iSCSI)")->required();
  OnSession(addInitiator, options, action, [&args](ManageEMCUnity& s, const Output& out) {
    std::string host;
    if (const int status = ResolveHost(s, args.host, host)) return status;
    std::string id;
    if (!s.CreateHostInitiator(id, host, static_cast<_UNITY_HOSTINITIATOR_TYPE>(args.initiatorType),
                               args.id)) {
      return ReportFailure(s, "host add-initiator");
    }
    out.action(
        "added initiator " + id + " to host " + host,
        {{"action", "host add-initiator"}, {"id", id}, {"host", host}, {"initiatorId", args.id}});
    return static_cast<int>(kExitOk);
  });

  CLI::App* move =
      hostCmd->add_subcommand("move-initiator", "Move an existing initiator to another host");
  move->add_option("-I,--initiator", args.initiator, "Initiator object id")->required();
  move->add_option("-H,--host", args.host, "New host id or name")->required();
  OnSession(move, options, action, [&args](ManageEMCUnity& s, const Output& out) {
    std::string host;
    if (const int status = ResolveHost(s, args.host, host)) return status;
    if (!s.ModifyHostInitiator(args.initiator, host))
      return ReportFailure(s, "host move-initiator");
    out.action("initiator " + args.initiator + " now belongs to host " + host,
               {{"action", "host move-initiator"}, {"id", args.initiator}, {"host", host}});
    return static_cast<int>(kExitOk);
  });

  CLI::App* addPort = hostCmd->add_subcommand("add-ipport", "Add an IP port to a host");
  addPort->add_option("-H,--host", args.host, "Host id or name")->required();
  addPort->add_option("-A,--address", args.address, "IP address, DNS name or netgroup")->required();
  OnSession(addPort, options, action, [&args](ManageEMCUnity& s, const Output& out) {
    std::string host;
    if (const int status = ResolveHost(s, args.host, host)) return status;
    std::string id;
    if (!s.CreateHostIPPort(id, host, args.address)) return ReportFailure(s, "host add-ipport");
    out.action(
        "added IP port " + id + " to host " + host,
        {{"action", "host add-ipport"}, {"id", id}, {"host", host}, {"address", args.address}});
    return static_cast<int>(kExitOk);
  });

  CLI::App* del = hostCmd->add_subcommand("delete", "Delete a host");
  del->add_option("-i,--id", args.id, "Host id or name")->required();
  del->add_flag("--safe", args.safe, "Refuse while an NFS export grants the host root access");
  OnSession(del, options, action, [&args](ManageEMCUnity& s, const Output& out) {
    std::string host;
    if (const int status = ResolveHost(s, args.id, host)) return status;
    if (!s.DeleteHost(host, args.safe)) return ReportFailure(s, "host delete");
    out.action("deleted host " + host, {{"action", "host delete"}, {"id", host}});
    return static_cast<int>(kExitOk);
  });
}

}  // namespace

void RegisterHost(CLI::App& app, const CommonOptions& options, Action& action) {
  static HostArgs args;
  CLI::App* hostCmd =
      app.add_subcommand("host", "Hosts, initiators and IP ports: show, create, add, move, delete");
  hostCmd->require_subcommand(1);
  RegisterLookups(hostCmd, options, action, args);
  RegisterChanges(hostCmd, options, action, args);
}

}  // namespace unityctl
