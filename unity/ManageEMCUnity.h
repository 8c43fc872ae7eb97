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
  // --- end of file system and NAS discovery operations ---

  // --- NFS export operations (ManageEMCUnityNfs.cpp) ---
  // --- end of NFS export operations ---

  // --- CIFS share operations (ManageEMCUnityCifs.cpp) ---
  // --- end of CIFS share operations ---

  // --- Host operations (ManageEMCUnityHosts.cpp) ---
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
