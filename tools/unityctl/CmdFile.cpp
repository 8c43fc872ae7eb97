#include <string>
#include <utility>
#include <vector>

#include "tools/unityctl/Commands.h"
#include "tools/unityctl/Output.h"
#include "tools/unityctl/Resolve.h"
#include "unity/ManageEMCUnity.h"

namespace unityctl {
namespace {

struct FileArgs {
  std::string id;
  std::string name;
  std::string nas;
};

const Row kFSHeader = {"id", "name", "type", "protocols", "resource", "resName", "resType"};
const Row kNASHeader = {"id", "name", "aliases"};

Values FSRow(const _UnityFSInfo& fs) {
  return {fs.id,
          fs.name,
          static_cast<int>(fs.type),
          static_cast<int>(fs.supportedProtocols),
          fs.storageResource.id,
          fs.storageResource.name,
          static_cast<int>(fs.storageResource.type)};
}

Values NASRow(const _UnityNASServer& nas) {
  return {nas.id, nas.name, nas.aliases};
}

void PrintRecord(const Output& out, const Row& header, const Values& row) {
  Fields fields;
  for (size_t i = 0; i < header.size(); ++i) fields.emplace_back(header[i], row[i]);
  out.record(fields);
}

void RegisterFs(CLI::App& app, const CommonOptions& options, Action& action, FileArgs& args) {
  CLI::App* fsCmd = app.add_subcommand("fs", "File systems: show one, list them");
  fsCmd->require_subcommand(1);

  CLI::App* show = fsCmd->add_subcommand("show", "Show exactly one file system, by id or name");
  auto* byId = show->add_option("-i,--id", args.id, "File system id (fs_N)");
  auto* byName = show->add_option("-n,--name", args.name, "File system name");
  show->add_option("--nas", args.nas, "NAS server id or name (when the name is not unique)")
      ->excludes(byId);
  byId->excludes(byName);
  show->require_option(1, 2);
  OnSession(show, options, action, [&args](ManageEMCUnity& s, const Output& out) {
    _UnityNASServer nas;
    if (!args.nas.empty())
      if (const int status = ResolveNas(s, args.nas, nas)) return status;
    _UnityFSInfo fs;
    const bool ok = args.id.empty() ? s.GetFSInfoFromName(fs, args.name, nas.name)
                                    : s.GetFSInfoForId(fs, args.id);
    if (!ok) return ReportFailure(s, "fs show");
    PrintRecord(out, kFSHeader, FSRow(fs));
    return static_cast<int>(kExitOk);
  });
}

void RegisterNas(CLI::App& app, const CommonOptions& options, Action& action, FileArgs& args) {
  CLI::App* nasCmd = app.add_subcommand("nas", "NAS servers with their aliases: list, show");
  nasCmd->require_subcommand(1);

  CLI::App* list = nasCmd->add_subcommand("list", "List every NAS server");
  OnSession(list, options, action, [](ManageEMCUnity& s, const Output& out) {
    std::vector<_UnityNASServer> servers;
    if (!s.GetNASServers(servers, "")) return ReportFailure(s, "nas list");
    std::vector<Values> rows;
    for (const _UnityNASServer& nas : servers) rows.push_back(NASRow(nas));
    out.table(kNASHeader, rows);
    return static_cast<int>(kExitOk);
  });

  CLI::App* show = nasCmd->add_subcommand("show", "Show one NAS server");
  show->add_option("-i,--id,-n,--name", args.id, "NAS server id (nas_N) or name")->required();
  OnSession(show, options, action, [&args](ManageEMCUnity& s, const Output& out) {
    _UnityNASServer nas;
    if (const int status = ResolveNas(s, args.id, nas)) return status;
    PrintRecord(out, kNASHeader, NASRow(nas));
    return static_cast<int>(kExitOk);
  });
}

void RegisterAliases(CLI::App& app, const CommonOptions& options, Action& action, FileArgs& args) {
  CLI::App* aliases = app.add_subcommand(
      "aliases", "Names and addresses the array answers under (or one NAS server)");
  aliases->add_option("--nas", args.nas, "NAS server id (nas_N) or name");
  OnSession(aliases, options, action, [&args](ManageEMCUnity& s, const Output& out) {
    _UnityNASServer nas;
    if (!args.nas.empty())
      if (const int status = ResolveNas(s, args.nas, nas)) return status;
    std::vector<std::string> list;
    if (!s.GetArrayAliases(list, nas.id)) return ReportFailure(s, "aliases");
    std::vector<Row> rows;
    for (const std::string& alias : list) rows.push_back({alias});
    out.table({"alias"}, rows);
    return static_cast<int>(kExitOk);
  });
}

}  // namespace

void RegisterFile(CLI::App& app, const CommonOptions& options, Action& action) {
  static FileArgs args;
  RegisterFs(app, options, action, args);
  RegisterNas(app, options, action, args);
  RegisterAliases(app, options, action, args);
}

}  // namespace unityctl
