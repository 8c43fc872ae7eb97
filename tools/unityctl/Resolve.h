// Objects named on the command line by id or by name. Each is resolved once, before the command's
// work; a name that matches nothing or several objects is reported with what to do, and the
// command ends with that exit status.
#pragma once

#include <CLI/CLI.hpp>
#include <string>
#include <vector>

#include "unity/ManageEMCUnity.h"

namespace unityctl {

// The array's storage resource type numbers that names are looked up under.
constexpr _UNITY_STG_RES_TYPE kFileSystemResource = static_cast<_UNITY_STG_RES_TYPE>(1);
constexpr _UNITY_STG_RES_TYPE kGroupResource = static_cast<_UNITY_STG_RES_TYPE>(2);
constexpr _UNITY_STG_RES_TYPE kLunResource = static_cast<_UNITY_STG_RES_TYPE>(8);
// Where a command takes any resource: LUNs, consistency groups, then file systems.
const std::vector<_UNITY_STG_RES_TYPE> kAnyResource = {kLunResource, kGroupResource,
                                                       kFileSystemResource};

// A command-line check for snapshot ids: positive decimal numbers only, so "-5" or "abc" are
// refused as usage errors instead of turning into another id.
CLI::Validator SnapshotIdCheck();

// The NAS server whose id or name is `given`. Returns kExitOk, or the exit status after saying
// why not.
int ResolveNas(ManageEMCUnity& session, const std::string& given, _UnityNASServer& found);

// The id of the host whose id (Host_N) or name is `given`.
int ResolveHost(ManageEMCUnity& session, const std::string& given, std::string& hostId);
// The same for each of `given`, in order.
int ResolveHosts(ManageEMCUnity& session, const std::vector<std::string>& given,
                 std::vector<std::string>& hostIds);

// The id of the storage resource whose id (sv_N, res_N) or name is `given`. A name is looked up
// among the `types` in order (the array's type numbers: 1 file system, 2 consistency group,
// 8 LUN); the first type that holds it decides.
int ResolveResource(ManageEMCUnity& session, const std::string& given,
                    const std::vector<_UNITY_STG_RES_TYPE>& types, std::string& resourceId);

}  // namespace unityctl
