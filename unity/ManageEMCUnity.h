// The session with one EMC Unity array: configuration, error state, request execution and the
// connection lifecycle. The backup product creates one object per array and job.
//
// Error convention: every operation returns bool; on false, errorCode and errorText describe the
// failure (2 = invalid input, 1 = request failed without an array code, 5 = HTTP 401 without an
// array code, anything else = the array's own code). The error state is not reset when an
// operation starts, only before each send, so a successful operation may leave a non-zero code
// (an array error listed as acceptable); look at the returned bool first.
//
// Not thread-safe: one thread at a time per object; distinct objects share nothing.
#pragma once

#include <memory>
#include <set>
#include <string>
#include <vector>

#include "unity/BlockRecords.h"
#include "unity/CifsRecords.h"
#include "unity/FileRecords.h"
#include "unity/HostRecords.h"
#include "unity/NfsRecords.h"
#include "unity/SessionRecords.h"
#include "unity/SnapshotRecords.h"
#include "unity/UnityExport.h"

class HttpTransport;
class EMCUnityJsonBase;
enum _UNITY_http_req_type_ : int;

class UNITY_EXPORT ManageEMCUnity {
 public:
  ManageEMCUnity();
  explicit ManageEMCUnity(const unsigned long long& jobId);
  // Logs out at the array when a session is open, releases the transport and removes the
  // cookie file. Never fails; problems are only logged.
  ~ManageEMCUnity();
  ManageEMCUnity(const ManageEMCUnity&) = delete;
  ManageEMCUnity& operator=(const ManageEMCUnity&) = delete;

  // Configuration and error state.
  void Init();
  void clearError();
  static void ErrorCodeToString(std::string& out, const unsigned long long& code);
  // Stores the password in its wire form: decoded through the host's password codec when
  // decodeStored, then Base64-encoded when base64Encode. False only when decoding fails; the
  // stored text is then kept as given.
  bool SetPasswd(const std::string& passwd, bool base64Encode, bool decodeStored);

  // Connection lifecycle.
  // Chooses the array; logs out of a previously chosen, different array first.
  bool SetFileServer(const std::string& name);
  // Logs in; with readApiVersion also adopts the array's API version.
  bool OpenConnection(const bool& readApiVersion);
  // Forgets the session locally; without clientOnly it first logs out at the array.
  bool CloseConnection(bool clientOnly);
  bool GetBasicSystemInformation(_UnityBasicSystemInfo& info);

  // Request execution: the one road of every message to the array. Logs in when needed, retries
  // after an expired session (at most 3 sends per page), follows background jobs and result
  // pages. Array error codes listed in successCodes count as success.
  bool ProcessWithServer(const std::string& operationName, EMCUnityJsonBase* const& msg,
                         const std::vector<unsigned long long>& successCodes);
  bool CurlSetOptions();
  bool CurlFollowLocation(bool follow);
  // The header list for one send; the same for every method.
  bool InitializeHeaders(_UNITY_http_req_type_ method);
  // Waits for the background job named in the 202 answer `response` and hands its outcome to
  // msg: on true, response holds the job's output and jobOk tells whether the job succeeded.
  bool PollBackgroundJob(const std::string& operationName, std::string& response, long& status,
                         bool& jobOk, EMCUnityJsonBase* msg);

  // --- Snapshot operations (ManageEMCUnitySnapshots.cpp) ---
  bool CreateSnapShot(SnapID& snapId, const std::string& storageResourceId,
                      const std::string& snapName, bool accessTypeFlag);
  bool CopySnapshot(SnapID& copySnapId, const SnapID& snapId, const std::string& copyName);
  // An already absent snapshot counts as deleted.
  bool DeleteSnapshot(const SnapID& snapId);
  bool GetSnapShotInfo(_UnitySnapInfo& snapInfo, const SnapID& snapId);
  // By ids: 50 ids per request, records appended to snapList; 0 / an empty list lists all.
  bool GetSnapShotList(std::vector<_UnitySnapInfo>& snapList, const SnapID& snapId,
                       const bool& isSnapGroup);
  bool GetSnapShotList(std::vector<_UnitySnapInfo>& snapList, const std::vector<SnapID>& snapIds,
                       const bool& isSnapGroup);
  // By names: one request, snapList replaced; "" / an empty list lists all.
  bool GetSnapShotList(std::vector<_UnitySnapInfo>& snapList,
                       const std::vector<std::string>& snapNames, const bool& isSnapGroup);
  bool GetSnapShotList(std::vector<_UnitySnapInfo>& snapList, const std::string& snapName,
                       const bool& isSnapGroup);
  bool GetSnapShotForName(_UnitySnapInfo& snapInfo, const std::string& snapName);
  bool RestoreWithSnapshot(const SnapID& snapId);

  // --- Replication operations (ManageEMCUnityReplication.cpp) ---
  bool MarkSnapForReplication(const SnapID& snapId);
  bool GetReplicationInfoForResId(ReplicationSessionInfo& sessionInfo,
                                  const std::string& srcResourceId);
  bool SyncReplicationSession(const std::string& sessionId);
  // Finds the resource's one replication session and syncs it.
  bool SyncReplicationSessionForResource(const std::string& srcResourceId);
  // --- end of snapshot and replication operations ---

  // --- Block exposure operations (ManageEMCUnityBlock.cpp) ---
  /// Reads the one LUN whose WWN is `wwn` (GET of lun with the filter (wwn eq "<wwn>")).
  /// Errors: 2 "Fileserver name or wwn is empty"; 2 "WWN contains a double quote, which a filter
  /// cannot carry" (nothing sent); no match: 131149829 "The requested resources do not exist";
  /// several matches: false with the message's empty error.
  bool GetLunInfoFromWWN(_UnityLunInfo& lunInfo, const std::string& wwn);
  /// Reads one storage resource by id with its block host access and LUNs. An empty id asks for
  /// the resources named "" of type -1. Errors: 2 "Fileserver name is empty"; a count other than
  /// one returns false and leaves the error state as it is.
  bool GetStorageResourceInfo(_UnityStorageResource& resInfo, const std::string& stgResId);
  /// Finds the id of the one storage resource with this name and type (the type is sent whole).
  /// Errors: 2 "Fileserver name is empty or invalid inputs"; 2 "Resource name contains a double
  /// quote, which a filter cannot carry" (nothing sent); a count other than one returns false and
  /// leaves the error state as it is.
  bool GetResIdForName(std::string& stgResId, const std::string& name,
                       const _UNITY_STG_RES_TYPE& type);
  /// Lists the snapshot host LUNs (type 2) of the given snapshots (or snapshot groups) and hosts;
  /// empty lists leave their filter out. Replaces hostLuns; an empty result is a success.
  /// Errors: 2 "Fileserver name is empty"; 2 "Host id contains a double quote, which a filter
  /// cannot carry" (nothing sent).
  bool GetSnapHostLun(std::vector<_UnityHostLun>& hostLuns, std::vector<unsigned long long> snapIds,
                      const std::set<std::string>& hostIds);
  /// Adds (or with `remove` clears) the bits of accessMask for one host, or for every listed host
  /// when hostId is empty, on a LUN (modifyLun) or consistency group (modifyConsistencyGroup):
  /// reads the resource's host access list, merges (a mask of 65535 counts as 3, only the first
  /// entry of the host changes, a missing host is appended when adding) and sends the complete
  /// list. Sends nothing and succeeds when nothing changes. Errors: 2 "Fileserver name, stg res
  /// id, access mask is empty/invalid"; those of GetStorageResourceInfo and of the request.
  bool LunAccessToHost(const std::string& stgResId, const std::string& hostId,
                       const bool& isConsistencyGroup, const int& accessMask, const bool& remove);
  /// Attaches a snapshot to hosts or detaches it. Without hosts (and for a detach on API version
  /// exactly 4.0) it posts the plain attach or detach (accepting 100666332 for attach, 151032103
  /// and 131149829 for detach). Otherwise, from API version 5.0 on, it merges the hosts into the
  /// snapshot's host access list (new hosts get mask 1) and posts attach, modify or detach with
  /// the complete list (accepting 100666408); nothing is sent when nothing changes, and the
  /// detach of a snapshot that no longer exists succeeds. Errors: 2 "Fileserver name is empty or
  /// invalid inputs"; 131149877 "Request body is not correct" for hosts below 5.0; those of
  /// GetSnapShotInfo and of the request.
  bool ExposeLunAccess(const unsigned long long& snapId, const std::set<std::string>& hostIds,
                       const bool& attach);
  /// The same for at most one host: an empty hostId means no hosts.
  bool ExposeLunAccess(const unsigned long long& snapId, const std::string& hostId,
                       const bool& attach);
  // --- end of block exposure operations ---

  // --- File system and NAS discovery operations (ManageEMCUnityFile.cpp) ---
  // Each logs its request line, refuses missing inputs with code 2 (sending nothing) and sends
  // one GET of the file-side collections; names in filters that hold a double quote are refused
  // with code 2 as well.

  /// Finds the one file system named fsName, on the NAS server named nasServerName when that is
  /// not empty: GET /api/types/filesystem/instances with the filter (name eq "fsName") [AND
  /// (nasServer.name eq "nasServerName")]. False with code 2 and "Fileserver name or Filesystem
  /// name is empty", or with code 2 when a name holds a double quote. False without a code of
  /// its own ("Failed to Get FS info" logged) when zero or several file systems match.
  bool GetFSInfoFromName(_UnityFSInfo& fsInfo, const std::string& fsName,
                         const std::string& nasServerName);
  /// Reads the file system fsId: GET /api/instances/filesystem/<fsId>. False with code 2 and
  /// "Fileserver name or Filesystem id is empty"; otherwise the array's error (131149829 for an
  /// unknown id).
  bool GetFSInfoForId(_UnityFSInfo& fsInfo, const std::string& fsId);
  /// Replaces nasServers with every NAS server (empty nasServerId; an empty list is a success)
  /// or the one with that id: GET of the nasServer collection or instance. False with code 2 and
  /// "Fileserver name is empty"; with 131149829 "The requested resources do not exist" when the
  /// id yields no NAS server.
  bool GetNASServers(std::vector<_UnityNASServer>& nasServers, const std::string& nasServerId);
  /// Replaces fsList with the file systems of the NAS server named nasServerName: GET
  /// /api/types/filesystem/instances with the filter (nasServer.name eq "nasServerName"). False
  /// with code 2 and "Fileserver name or NAS server name is empty" (it never lists every file
  /// system), or with code 2 when the name holds a double quote.
  bool GetFSListForNASServer(std::vector<_UnityFSInfo>& fsList, const std::string& nasServerName);
  // --- end of file system and NAS discovery operations ---

  // --- NFS export operations (ManageEMCUnityNfs.cpp) ---
  /// Exports the path `exportPath` of snapshot `snapId` over NFS under `exportName` (POST
  /// /api/types/nfsShare/instances) with `defaultAccess` for every host. On success `exportId`
  /// holds the new export's id. Code 2 "Fileserver name or other input is empty" when the array,
  /// snapshot id, name or path is missing; otherwise the array's error.
  bool CreateNfsExport(std::string& exportId, const unsigned long long& snapId,
                       const std::string& exportName, _UNITY_NFS_DEF_ACCESS defaultAccess,
                       const std::string& exportPath);
  /// Merges `required` into the export's current access (`exportInfo` as a lookup returned it):
  /// the default access and the named hosts take the required values, every other host keeps its
  /// access. Sends nothing and returns true when nothing changes ("Required Access is already
  /// provided. No need to change"); otherwise sends the default and all four host lists whole
  /// (POST .../nfsShare/<id>/action/modify). `resultFlag` is set to false. Code 2 "Fileserver
  /// name is empty or invalid inputs" without an array or export id.
  bool SetNfsHostAccess(bool& resultFlag, const _UnityNfsExportInfo& exportInfo,
                        const _UnityNfsHostAccess& required);
  /// Deletes an export (DELETE with a time-out of 20 s unless configured); a missing export is
  /// the array's error. Code 2 "Fileserver name is empty or invalid inputs".
  bool DeleteNfsExport(const std::string& exportId);
  /// Every NFS export of the array (no filter); `exports` is replaced. Code 2 "Fileserver name
  /// is empty".
  bool GetNfsExportList(std::vector<_UnityNfsExportInfo>& exports);
  /// The exports whose root-access list holds `hostId` (an empty list is a success); `exports`
  /// is replaced. Code 2 "Fileserver name or host id is empty.".
  bool GetNfsExportsForHost(std::vector<_UnityNfsExportInfo>& exports, const std::string& hostId);
  // --- end of NFS export operations ---

  // --- CIFS share operations (ManageEMCUnityCifs.cpp) ---
  // --- end of CIFS share operations ---

  // --- Host operations (ManageEMCUnityHosts.cpp) ---
  /// Looks up one host initiator: GET of the hostInitiator collection filtered on "portWWN"
  /// (isPortWWN) or "initiatorId". True only when exactly one initiator matches; it is copied to
  /// initiatorInfo. Refused with code 2 and "Fileserver name or Initiator id is empty", or when the
  /// value holds a double quote, sending nothing. A count other than one returns false and leaves
  /// the error state as the request left it.
  bool GetHostInitiatorInfo(_UnityHostInitiatorInfo& initiatorInfo, const std::string& initiatorId,
                            const bool& isPortWWN);
  /// Looks up one host IP port by address (GET of hostIPPort filtered on "address"). No match:
  /// 131149829 "The requested resources do not exist"; several: false with the answer's undefined
  /// error. Refused with code 2 and "Fileserver name or ip address is empty", or when the address
  /// holds a double quote, sending nothing.
  bool GetHostIPPort(_UnityHostIPPort& ipPort, const std::string& address);
  /// Replaces initiators with the port WWN (or, without one, the initiator id) of every logged-in
  /// initiator path (GET of hostInitiatorPath filtered on "isLoggedIn"). An empty list is a
  /// success. Refused with code 2 and "Fileserver name is empty".
  bool GetLoggedInInitiators(std::vector<std::string>& initiators);
  /// The id of the first host named hostName (GET of host filtered on "name"). No such host:
  /// 131149829 "The requested resources do not exist". Refused with code 2 and "Fileserver name or
  /// host name is empty", or when the name holds a double quote, sending nothing.
  bool GetHostId(std::string& hostId, const std::string& hostName);
  /// Creates a host (POST of host with "name", "osType" when not empty, and "type") and returns
  /// its id. With useOld an existing host of the name is reused and nothing is created; a lookup
  /// failure other than 131149829 fails the operation with the lookup's error. Refused with code 2
  /// and "Fileserver name, host name, ostype or host type is empty/invalid" when a host is to be
  /// created and the address or name is empty or hostType is 0.
  bool CreateHost(std::string& hostId, const std::string& hostName,
                  const _UNITY_HOST_TYPE& hostType, const bool& useOld, const std::string& osType);
  /// Creates an initiator of a host (POST of hostInitiator with "host", "initiatorType" and
  /// "initiatorWWNorIqn") and returns its id. An initiator the array already knows fails with the
  /// array's error. Refused with code 2 and "Fileserver name, host id, wwn/iqn or initiator type is
  /// empty/invalid" for an empty text or initiator type 0.
  bool CreateHostInitiator(std::string& initiatorId, const std::string& hostId,
                           const _UNITY_HOSTINITIATOR_TYPE& initiatorType,
                           const std::string& initiatorWWNorIqn);
  /// Moves an existing initiator under hostId (POST of the initiator's "modify" action with
  /// "host"). Refused with code 2 and "Fileserver name, host id or host initiator id is empty".
  bool ModifyHostInitiator(const std::string& initiatorId, const std::string& hostId);
  /// Creates an IP port of a host (POST of hostIPPort with "address" and "host") and returns its
  /// id. Refused with code 2 and "Fileserver name, host id or host initiator id is empty".
  bool CreateHostIPPort(std::string& portId, const std::string& hostId, const std::string& address);
  /// Deletes a host (DELETE of its instance, empty body). With safeDelete it first asks for the NFS
  /// exports granting the host root access (GetNfsExportsForHost) and, when there is one, fails
  /// with 100663573 "Could not delete host, because it is in use" without deleting; a failed
  /// export lookup fails with the lookup's error. A host that no longer exists is the array's
  /// error. Refused with code 2 and "Fileserver name or host id is empty " (trailing space).
  bool DeleteHost(const std::string& hostId, const bool& safeDelete);
  // --- end of host operations ---

  std::string fileServer;
  std::string userName;
  std::string password;
  std::string apiVersion;
  std::string cookieFile;
  unsigned long long jobId;
  unsigned long long errorCode;
  std::string errorText;
  long long httpStatus;
  std::unique_ptr<HttpTransport> transport;
  bool loggedIn;
  bool transportReady;
  std::string csrfHeader;
  bool apiVersionKnown;
};
