/// \file
/// The session with one EMC Unity array: configuration, error state, request execution, the
/// connection lifecycle and the operations by domain. The backup product creates one object per
/// array and job.
#pragma once

#include <list>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "unity/BlockRecords.h"
#include "unity/CifsRecords.h"
#include "unity/FileRecords.h"
#include "unity/HostRecords.h"
#include "unity/InventoryRecords.h"
#include "unity/NfsRecords.h"
#include "unity/SessionRecords.h"
#include "unity/SnapshotRecords.h"
#include "unity/UnityExport.h"

class HttpTransport;
class EMCUnityJsonBase;
enum _UNITY_http_req_type_ : int;

/// One session with one EMC Unity array: configuration, error state, request execution, the
/// connection lifecycle and the operations by domain. The backup product creates one object per
/// array and job.
///
/// Error convention: every operation returns bool; on false, errorCode and errorText describe the
/// failure (2 = invalid input, 1 = request failed without an array code, 5 = HTTP 401 without an
/// array code, 3 = a lookup that needed exactly one object found several, anything else = the
/// array's own code). A failed operation never leaves 0. A lookup that needs exactly one object
/// and finds none sets the array's 131149829 "The requested resources do not exist"; one that
/// finds several sets 3 with a text that names the count and what to add, for example "2 file
/// systems are named Projects; name the NAS server too". The error state is not reset when an
/// operation starts, only before each send, so a successful operation may leave a non-zero code
/// (an array error listed as acceptable); look at the returned bool first.
///
/// Failures every operation that sends can report, besides its own: the array's "errorCode" and
/// message from its error answer; 1 with the answer's text (or "No response body") when the
/// array gave no code, httpStatus then holding the answer's HTTP status; 1 "The array's answer
/// could not be read" when a successful answer (or a background job's 202 answer) is not readable;
/// 5 with "Unauthorised. Incorrect username/password" when the login is refused, or "Unauthorised.
/// Session logged out. Retry" when three sends in a row were answered HTTP 401; 1 with
/// "Background job [<id>] did not finish within <n> seconds" when a background job outlives the
/// UnityJobPollLimitSec setting. Invalid input (code 2) is always refused before anything is sent.
///
/// Requests are sent to "https://" + fileServer + "/api/...". The first request of a session logs
/// in (a GET of loginSessionInfo with the credentials); a POST or DELETE without a session logs in
/// first. Non-GET requests carry "?&timeout=<n>" when the operation has a default time-out or the
/// setting "<operation>_unitytimeout" (section "~Tessaline") names one; an HTTP 202 answer is
/// followed as a background job, polled every 5 seconds.
///
/// Not thread-safe: one thread at a time per object; distinct objects share nothing.
class UNITY_EXPORT ManageEMCUnity {
 public:
  /// An unconfigured session: no array, no user, job id 0, API version "4.0". Sends nothing.
  ManageEMCUnity();
  /// As the default constructor, with the job id that tags every diagnostic line.
  explicit ManageEMCUnity(const unsigned long long& jobId);
  /// Logs out at the array when a session is open, releases the transport and removes the
  /// cookie file. Never fails; problems are only logged.
  ~ManageEMCUnity();
  ManageEMCUnity(const ManageEMCUnity&) = delete;
  ManageEMCUnity& operator=(const ManageEMCUnity&) = delete;

  // Configuration and error state.

  /// Resets the configuration: empties fileServer, userName, password, cookieFile and
  /// csrfHeader, sets jobId to 0, replaces the transport, forgets the login and puts apiVersion
  /// back to "4.0". The error state is kept. Sends nothing.
  void Init();
  /// Sets errorCode and httpStatus to 0 and empties errorText. Sends nothing.
  void clearError();
  /// Writes `code` as unsigned decimal text into `out` ("131149829"); there is no table of texts.
  static void ErrorCodeToString(std::string& out, const unsigned long long& code);
  /// Stores the password in its wire form: decoded through the host's password codec when
  /// decodeStored (forms "env:NAME", "file:PATH", "base64:TEXT"), then Base64-encoded when
  /// base64Encode. Sends nothing.
  /// \return false only when decoding fails; the stored text is then kept as given and the error
  /// state is not touched (the log says "Failed to decrypt password.").
  bool SetPasswd(const std::string& passwd, bool base64Encode, bool decodeStored);

  // Connection lifecycle.

  /// Chooses the array; logs out of a previously chosen, different array first. Sets fileServer
  /// to `name`, apiVersion back to "4.0" and cookieFile to "/tmpEMCUnityCookie_" + name. The
  /// name is not checked here; operations refuse an empty one.
  /// \par Sends
  /// Nothing, unless a session with a different array is open: then the logout (POST
  /// `/api/types/loginSessionInfo/action/logout`). The same name while logged in keeps the session.
  /// \return false only when that logout fails; no array is chosen then and the error state is
  /// the logout's.
  bool SetFileServer(const std::string& name);
  /// Logs in; with readApiVersion also adopts the array's API version.
  /// \par Sends
  /// GET `/api/types/loginSessionInfo/instances` with the credentials (the login, sent again even
  /// when a session is open); with readApiVersion then GET
  /// `/api/types/basicSystemInfo/instances?&fields=...` and
  /// `/api/types/system/instances?&fields=...` (see GetBasicSystemInformation).
  /// \return true with a session (loggedIn, the CSRF token kept); apiVersion set to the array's
  /// when readApiVersion.
  /// \par Errors
  /// 2 "Filerserver name or Username is empty" (nothing sent); the login's failure (the session is
  /// then forgotten locally); 1 "The array's login answer carried no EMC-CSRF-TOKEN header" when
  /// the session has never received that header.
  bool OpenConnection(const bool& readApiVersion);
  /// Forgets the session locally; without clientOnly it first logs out at the array.
  /// \par Sends
  /// Without clientOnly and with an open session: POST
  /// `/api/types/loginSessionInfo/action/logout` with `{"localCleanupOnly": "false"}`. Sends
  /// nothing with clientOnly or without a session (and returns true). HTTP 401 to the logout
  /// counts as done.
  /// \return the outcome of the logout (true when none was sent); loggedIn is false afterwards
  /// in every case but invalid input.
  /// \par Errors
  /// 2 "Fileserver name is empty" (nothing sent, loggedIn unchanged); the logout's failure.
  bool CloseConnection(bool clientOnly);
  /// Reads the array's identity: model, name, software version, API versions and serial number.
  /// \par Sends
  /// GET
  /// `/api/types/basicSystemInfo/instances?&fields=apiVersion,earliestApiVersion,model,name,softwareVersion`,
  /// then GET `/api/types/system/instances?&fields=serialNumber` (a login first when no session
  /// is open). Read-only.
  /// \return true with `info` set to the first basic-information entry, serialNumber from the
  /// second answer.
  /// \par Errors
  /// 2 "Fileserver name is empty" (nothing sent); the failure of either request (a failed second
  /// request fails the operation); false with the error state of the successful first request
  /// when the array lists no basic-information entry.
  bool GetBasicSystemInformation(_UnityBasicSystemInfo& info);

  // Request execution. These members take the library's internal message types: the operations
  // above and below call them; a host product has no use for them.

  /// Request execution: the one road of every message to the array. Logs in when needed, retries
  /// after an expired session (at most 3 sends per page), follows background jobs and result
  /// pages. Array error codes listed in successCodes count as success. Internal.
  bool ProcessWithServer(const std::string& operationName, EMCUnityJsonBase* const& msg,
                         const std::vector<unsigned long long>& successCodes);
  /// Gives the transport its standing login settings: redirects followed (a POST stays a POST),
  /// the credentials and the cookie file. Internal; sends nothing.
  bool CurlSetOptions();
  /// Turns the transport's following of redirects on or off. Internal; sends nothing.
  bool CurlFollowLocation(bool follow);
  /// The header list for one send; the same for every method. Clears the error state. Internal;
  /// sends nothing.
  bool InitializeHeaders(_UNITY_http_req_type_ method);
  /// Waits for the background job named in the 202 answer `response` and hands its outcome to
  /// msg: on true, response holds the job's output and jobOk tells whether the job succeeded.
  /// Sends GET `/api/instances/job/<id>` every 5 seconds while the job runs. Internal.
  bool PollBackgroundJob(const std::string& operationName, std::string& response, long& status,
                         bool& jobOk, EMCUnityJsonBase* msg);

  // --- Snapshot operations (ManageEMCUnitySnapshots.cpp) ---
  /// Takes a snapshot of a storage resource.
  /// \par Sends
  /// POST `/api/types/snap/instances?` with `{"filesystemAccessType": 1, "isAutoDelete": false,
  /// "name": "<snapName>", "storageResource": {"id": "<storageResourceId>"}}`
  /// ("filesystemAccessType" 2, protocol access, when accessTypeFlag). Never with a time-out: the
  /// "CreateSnapshot_unitytimeout" setting is ignored. Every call creates a snapshot.
  /// \return true with snapId set to the new snapshot's id.
  /// \par Errors
  /// 2 "Fileserver name, resource id or snapname is empty" (nothing sent); the array's error.
  bool CreateSnapShot(SnapID& snapId, const std::string& storageResourceId,
                      const std::string& snapName, bool accessTypeFlag);
  /// Copies a snapshot under a new name.
  /// \par Sends
  /// POST `/api/instances/snap/<snapId>/action/copy?&timeout=20` with
  /// `{"copyName": "<copyName>"}`. Every call creates a copy.
  /// \return true with copySnapId set to the copy's id; false when the answer does not name
  /// exactly one copy.
  /// \par Errors
  /// 2 "Fileserver name, snap id or copy snap name is empty" (nothing sent); the array's error.
  bool CopySnapshot(SnapID& copySnapId, const SnapID& snapId, const std::string& copyName);
  /// Deletes a snapshot. An already absent snapshot counts as deleted.
  /// \par Sends
  /// DELETE `/api/instances/snap/<snapId>?&timeout=20`, also when the snapshot is already gone.
  /// \return true when the snapshot is gone, including when the array answers 131149829 ("The
  /// requested resources do not exist"; errorCode then keeps that code).
  /// \par Errors
  /// 2 "Fileserver name is empty or invalid inputs" (empty array or snapId 0; nothing sent); the
  /// array's error.
  bool DeleteSnapshot(const SnapID& snapId);
  /// Reads exactly one snapshot by id.
  /// \par Sends
  /// GET
  /// `/api/instances/snap/<snapId>?&fields=attachedWWN,hostAccess,id,isModifiable,lun.id,name,storageResource.id`
  /// ("hostAccess" only from API version 5.0 on). Read-only.
  /// \return true with snapInfo set.
  /// \par Errors
  /// 2 "Snapid is 0." (nothing sent); 2 "Fileserver name is empty" (nothing sent); the array's
  /// error for an unknown id (131149829); 131149829 "The requested resources do not exist" when
  /// the answer holds no snapshot.
  bool GetSnapShotInfo(_UnitySnapInfo& snapInfo, const SnapID& snapId);
  /// Lists snapshots by one id (or snapshot group id with isSnapGroup); 0 lists all. See the
  /// list form below.
  bool GetSnapShotList(std::vector<_UnitySnapInfo>& snapList, const SnapID& snapId,
                       const bool& isSnapGroup);
  /// Lists snapshots by ids, or by snapshot group ids with isSnapGroup; an empty list lists all.
  /// \par Sends
  /// One GET per 50 ids: `/api/types/snap/instances?&fields=...&filter=<filter>` with the
  /// percent-encoded filter `(id eq "11") OR (id eq "12")` (keys "snapGroup.id" with
  /// isSnapGroup; an empty filter for an empty list); a batch of one id without isSnapGroup is
  /// GET `/api/instances/snap/<id>?&fields=...`. Fields as in GetSnapShotInfo. Read-only.
  /// \return true with the records appended to snapList: what the caller held stays in front. An
  /// id the array does not know is absent from a filtered answer.
  /// \par Errors
  /// 2 "Fileserver name is empty" (nothing sent); the array's error (a lone unknown id: 131149829).
  /// A failed batch leaves the records of the batches before it.
  bool GetSnapShotList(std::vector<_UnitySnapInfo>& snapList, const std::vector<SnapID>& snapIds,
                       const bool& isSnapGroup);
  /// Lists snapshots by names, or by snapshot group names with isSnapGroup; an empty list lists
  /// all.
  /// \par Sends
  /// One GET per 50 names: `/api/types/snap/instances?&fields=...&filter=<filter>`, the filter
  /// `(name eq "a") OR (name eq "b")` percent-encoded (key "snapGroup.name" with isSnapGroup).
  /// Read-only.
  /// \return true with snapList replaced by the records of every batch; a failed batch leaves
  /// snapList as it was.
  /// \par Errors
  /// 2 "Fileserver name is empty"; 2 "Snap name contains a double quote, which a filter cannot
  /// carry" ("Snap group name ..." with isSnapGroup); nothing is sent for either. The array's
  /// error.
  bool GetSnapShotList(std::vector<_UnitySnapInfo>& snapList,
                       const std::vector<std::string>& snapNames, const bool& isSnapGroup);
  /// Lists snapshots by one name (or snapshot group name with isSnapGroup); "" lists all. See
  /// the names form above.
  bool GetSnapShotList(std::vector<_UnitySnapInfo>& snapList, const std::string& snapName,
                       const bool& isSnapGroup);
  /// Reads exactly one snapshot by name.
  /// \par Sends
  /// GET `/api/types/snap/instances?&fields=...&filter=<filter>` with the filter
  /// `(name eq "<snapName>")` percent-encoded. Read-only.
  /// \return true with snapInfo set when exactly one snapshot has that name.
  /// \par Errors
  /// 2 "Snap name is empty." and the refusals of the names list (nothing sent); 131149829 "The
  /// requested resources do not exist" when none has it; 3 "<n> snapshots are named <name>; look
  /// one up by its id" when several have it.
  bool GetSnapShotForName(_UnitySnapInfo& snapInfo, const std::string& snapName);
  /// Restores the snapshot's storage resource to the snapshot.
  /// \par Sends
  /// POST `/api/instances/snap/<snapId>/action/restore?&timeout=20` with an empty body. Every
  /// call restores.
  /// \return true when the array has restored the resource.
  /// \par Errors
  /// 2 "Fileserver name is empty or invalid inputs" (empty array or snapId 0; nothing sent); the
  /// array's error.
  bool RestoreWithSnapshot(const SnapID& snapId);

  // --- Replication operations (ManageEMCUnityReplication.cpp) ---
  /// Marks a snapshot for replication to the remote system.
  /// \par Sends
  /// POST `/api/instances/snap/<snapId>/action/replicate?` with `{"isRemoteAutoDelete": false}`.
  /// \return true when the array accepted the request.
  /// \par Errors
  /// 2 "Fileserver name is empty", then 2 "Snap id is empty" (nothing sent); the array's error.
  bool MarkSnapForReplication(const SnapID& snapId);
  /// Finds the one replication session whose source is a storage resource.
  /// \par Sends
  /// GET
  /// `/api/types/replicationSession/instances?&fields=id,remoteSystem.id&filter=(srcResourceId+eq+"<srcResourceId>")`
  /// (spaces as "+"). Read-only.
  /// \return true with sessionInfo.sessionId set; false unless the array lists exactly one session
  /// with an "id" and a "remoteSystem.id".
  /// \par Errors
  /// 2 "Fileserver name is empty", 2 "Resource id is empty", 2 "Resource id contains a double
  /// quote, which a filter cannot carry" (nothing sent); no session: 131149829 "The requested
  /// resources do not exist"; several: 3 "<n> replication sessions are listed for resource
  /// <id>"; the array's error.
  bool GetReplicationInfoForResId(ReplicationSessionInfo& sessionInfo,
                                  const std::string& srcResourceId);
  /// Asks the array to synchronise a replication session now.
  /// \par Sends
  /// POST `/api/instances/replicationSession/<sessionId>/action/sync?&timeout=20` with an empty
  /// body; an HTTP 202 answer is followed as a background job. Every call syncs.
  /// \return true when the synchronisation has finished successfully.
  /// \par Errors
  /// 2 "Fileserver name is empty", then 2 "Session id is empty" (nothing sent); the array's or
  /// the background job's error.
  bool SyncReplicationSession(const std::string& sessionId);
  /// Finds the resource's one replication session and syncs it: GetReplicationInfoForResId, then
  /// SyncReplicationSession with the session found. No sync is sent when the lookup fails.
  /// \return true when both succeed; otherwise false with the error state of the failed step.
  bool SyncReplicationSessionForResource(const std::string& srcResourceId);
  // --- end of snapshot and replication operations ---

  // --- Block exposure operations (ManageEMCUnityBlock.cpp) ---
  /// Reads the one LUN whose WWN is `wwn` (GET of lun with the filter (wwn eq "<wwn>")).
  /// Errors: 2 "Fileserver name or wwn is empty"; 2 "WWN contains a double quote, which a filter
  /// cannot carry" (nothing sent); no match: 131149829 "The requested resources do not exist";
  /// several matches: 3 "<n> LUNs are listed for WWN <wwn>".
  bool GetLunInfoFromWWN(_UnityLunInfo& lunInfo, const std::string& wwn);
  /// Reads one storage resource by id with its block host access and LUNs. An empty id asks for
  /// the resources named "" of type -1. Errors: 2 "Fileserver name is empty"; none: 131149829
  /// "The requested resources do not exist"; several: 3 with a text naming the count.
  bool GetStorageResourceInfo(_UnityStorageResource& resInfo, const std::string& stgResId);
  /// Finds the id of the one storage resource with this name and type (the type is sent whole).
  /// Errors: 2 "Fileserver name is empty or invalid inputs"; 2 "Resource name contains a double
  /// quote, which a filter cannot carry" (nothing sent); none: 131149829 "The requested resources
  /// do not exist"; several: 3 "<n> storage resources are named <name> (type <t>); use its id".
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
  /// name is empty", or with code 2 when a name holds a double quote. None: 131149829 "The
  /// requested resources do not exist"; several: 3 "<n> file systems are named <name>; name the
  /// NAS server too" (without a NAS server name).
  bool GetFSInfoFromName(_UnityFSInfo& fsInfo, const std::string& fsName,
                         const std::string& nasServerName);
  /// Reads the file system fsId: GET `/api/instances/filesystem/<fsId>`. False with code 2 and
  /// "Fileserver name or Filesystem id is empty"; otherwise the array's error (131149829 for an
  /// unknown id).
  bool GetFSInfoForId(_UnityFSInfo& fsInfo, const std::string& fsId);
  /// Replaces aliases with the names and addresses clients reach the array under. With a NAS
  /// server id: that NAS server's aliases (file-interface addresses, CIFS NetBIOS and fully
  /// qualified names, NFS host name), read as GetNASServers does; false with the error it left
  /// when it does not yield exactly one NAS server. Without: the addresses of the type-2 IP
  /// interfaces, then the names of the iSCSI nodes, in the array's order, duplicates kept. False
  /// with code 2 and "Fileserver name is empty"; stops at the first failing request (the
  /// addresses already copied stay in aliases).
  bool GetArrayAliases(std::vector<std::string>& aliases, const std::string& nasServerId);
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
  /// (POST `.../nfsShare/<id>/action/modify`). `resultFlag` is set to false. Code 2 "Fileserver
  /// name is empty or invalid inputs" without an array or export id.
  bool SetNfsHostAccess(bool& resultFlag, const _UnityNfsExportInfo& exportInfo,
                        const _UnityNfsHostAccess& required);
  /// Deletes an export (DELETE with a time-out of 20 s unless configured); a missing export is
  /// the array's error. Code 2 "Fileserver name is empty or invalid inputs".
  bool DeleteNfsExport(const std::string& exportId);
  /// Every NFS export of the array (no filter); `exports` is replaced. Code 2 "Fileserver name
  /// is empty".
  bool GetNfsExportList(std::vector<_UnityNfsExportInfo>& exports);
  /// The one export named `exportName` (on the NAS server `nasServerName` when not empty), its
  /// file-system record completed by GetFSInfoForId. None: 131149829 "The requested resources do
  /// not exist"; several: 3 with a text naming the count ("...; name the NAS server too" without
  /// a NAS server name). Code 2 "Fileserver name or Export
  /// name is empty."; a name holding a double quote is refused with code 2 as well.
  bool GetNfsExportForName(_UnityNfsExportInfo& exportInfo, const std::string& exportName,
                           const std::string& nasServerName);
  /// The one export of snapshot `snapId` (and path `exportPath` when not empty), completed and
  /// failing like GetNfsExportForName. Code 2 "Fileserver name or Snap id is empty."; a path
  /// holding a double quote is refused with code 2 as well.
  bool GetNfsExportForPath(_UnityNfsExportInfo& exportInfo, const unsigned long long& snapId,
                           const std::string& exportPath);
  /// The exports whose root-access list holds `hostId` (an empty list is a success); `exports`
  /// is replaced. Code 2 "Fileserver name or host id is empty."; an id holding a double quote
  /// is refused with code 2 as well.
  bool GetNfsExportsForHost(std::vector<_UnityNfsExportInfo>& exports, const std::string& hostId);
  // --- end of NFS export operations ---

  // --- CIFS share operations (ManageEMCUnityCifs.cpp) ---
  /// Shares the path `sharePath` of snapshot `snapId` over CIFS under `shareName` (POST
  /// /api/types/cifsShare/instances). On success `shareId` holds the new share's id. Code 2
  /// "Fileserver name or other input is empty" when the array, snapshot id, name or path is
  /// missing; otherwise the array's error.
  bool CreateCifsShare(std::string& shareId, const unsigned long long& snapId,
                       const std::string& shareName, const std::string& sharePath);
  /// Deletes a share (DELETE with a time-out of 20 s unless configured); a missing share is the
  /// array's error. Code 2 "Fileserver name is empty or invalid inputs".
  bool DeleteCifsShare(const std::string& shareId);
  /// Every CIFS share of the array (no filter); `shares` is replaced. Code 2 "Fileserver name is
  /// empty".
  bool GetCifsShareList(std::vector<_UnityCifsShareInfo>& shares);
  /// The one share named `shareName` (on the NAS server `nasServerName` when not empty), its
  /// file-system record completed by GetFSInfoForId. None: 131149829 "The requested resources do
  /// not exist"; several: 3 with a text naming the count ("...; name the NAS server too" without
  /// a NAS server name). Code 2 "Fileserver name or Share
  /// name is empty."; a name holding a double quote is refused with code 2 as well.
  bool GetCifsShareForName(_UnityCifsShareInfo& shareInfo, const std::string& shareName,
                           const std::string& nasServerName);
  /// The one share named `shareName` on snapshot `snapId`, completed and failing like
  /// GetCifsShareForName. A zero snapshot id is refused first: code 2 "Invalid snap id:0"; then
  /// code 2 "Fileserver name or Share name is empty." (or a name holding a double quote).
  bool GetCifsShareForSnap(_UnityCifsShareInfo& shareInfo, const unsigned long long& snapId,
                           const std::string& shareName);
  /// The share's access control entries in the array's order (POST .../getACEs); `aces` is
  /// replaced, and a share without entries gives an empty list. Code 2 "Fileserver name or share
  /// id is empty".
  bool GetCifsShareACE(std::list<_UnityCifsShareACE>& aces, const std::string& shareId);
  /// Sends `aces` in list order (POST .../setACEs with {"cifsShareACEs": [...]}; an empty list
  /// sends an empty array). Code 2 "Fileserver name or share id is empty".
  bool SetCifsShareACE(const std::string& shareId, const std::list<_UnityCifsShareACE>& aces);
  // --- end of CIFS share operations ---

  // --- Host operations (ManageEMCUnityHosts.cpp) ---
  /// Looks up one host initiator: GET of the hostInitiator collection filtered on "portWWN"
  /// (isPortWWN) or "initiatorId". True only when exactly one initiator matches; it is copied to
  /// initiatorInfo. Refused with code 2 and "Fileserver name or Initiator id is empty", or when the
  /// value holds a double quote, sending nothing. None: 131149829 "The requested resources do not
  /// exist"; several: 3 with a text naming the count.
  bool GetHostInitiatorInfo(_UnityHostInitiatorInfo& initiatorInfo, const std::string& initiatorId,
                            const bool& isPortWWN);
  /// Looks up one host IP port by address (GET of hostIPPort filtered on "address"). No match:
  /// 131149829 "The requested resources do not exist"; several: 3 with a text naming the count.
  /// Refused with code 2 and "Fileserver name or ip address is empty", or when the address
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

  // Inventory listings. Each replaces its vector with every matching object of every result
  // page (an empty list is a success), asks only for the attributes it returns ("fields=") in
  // compact answers ("compact=true"), and takes an optional exact name (empty: no name filter).
  // On failure the vector is empty.

  /// Lists storage resources: GET /api/types/storageResource/instances with
  /// fields=blockHostAccess,id,luns,name,type&compact=true and, when given, the filter
  /// (name eq "name") AND (type eq type).
  /// \param resources Replaced with the resources in the array's order; block resources carry
  /// their LUN ids ("luns") and host access ("blockHostAccess"), other types leave both empty.
  /// \param type The array's storage-resource type number (1 file system, 2 consistency group,
  /// 8 LUN, ...), or UNITY_STG_RES_TYPE_UNKNOWN for every type.
  /// \param name Exact resource name, or empty for every name.
  /// \return true on success.
  /// \par Errors
  /// 2 "Fileserver name is empty", 2 "Storage resource type is invalid" (a type below -1), 2
  /// "Resource name contains a double quote, which a filter cannot carry" (nothing sent); otherwise
  /// the failed request's code.
  bool ListStorageResources(std::vector<_UnityStorageResource>& resources,
                            const _UNITY_STG_RES_TYPE& type, const std::string& name);
  /// Lists LUNs: GET /api/types/lun/instances with
  /// fields=id,name,sizeAllocated,sizeTotal,storageResource.id,wwn&compact=true and, for a name,
  /// the filter (name eq "name"). \param luns Replaced with the LUNs in the array's order; sizes in
  /// bytes. \param name Exact LUN name, or empty for every LUN. \return true on success. \par
  /// Errors 2 "Fileserver name is empty", 2 "LUN name contains a double quote, which a filter
  /// cannot carry" (nothing sent); otherwise the failed request's code.
  bool ListLuns(std::vector<_UnityLunListEntry>& luns, const std::string& name);
  /// Lists file systems of every NAS server or of one: GET /api/types/filesystem/instances with
  /// fields=id,name,nasServer.id,nasServer.name,storageResource.id,storageResource.name,
  /// storageResource.type,supportedProtocols,type&compact=true and, when given, the filter
  /// (name eq "name") AND (nasServer.name eq "nasServerName").
  /// \param fileSystems Replaced with the file systems in the array's order, each with its NAS
  /// server's id and name.
  /// \param nasServerName Exact NAS server name, or empty for every NAS server.
  /// \param name Exact file system name, or empty for every name.
  /// \return true on success.
  /// \par Errors
  /// 2 "Fileserver name is empty", 2 "NAS server name (or Filesystem name) contains a double
  /// quote, which a filter cannot carry" (nothing sent); otherwise the failed request's code.
  bool ListFileSystems(std::vector<_UnityFSListEntry>& fileSystems,
                       const std::string& nasServerName, const std::string& name);
  /// Lists hosts with their initiators and IP ports: GET /api/types/host/instances with
  /// fields=id,name,osType,type&compact=true (and the filter (name eq "name") for a name), then,
  /// when a host was listed, GET /api/types/hostInitiator/instances with
  /// fields=id,initiatorId,parentHost.id,type&compact=true and GET /api/types/hostIPPort/instances
  /// with fields=address,host.id,id&compact=true. For a whole listing these two ask for every
  /// initiator and port; for a name they filter on the listed hosts' ids, at most 50 per request.
  /// \param hosts Replaced with the hosts in the array's order; initiators and IP ports of each in
  /// the array's order. Initiators and ports of no listed host are left out.
  /// \param name Exact host name, or empty for every host.
  /// \return true on success.
  /// \par Errors
  /// 2 "Fileserver name is empty", 2 "Host name contains a double quote, which a filter cannot
  /// carry" (nothing sent); otherwise the failed request's code of any of the requests.
  bool ListHosts(std::vector<_UnityHostListEntry>& hosts, const std::string& name);

  /// Management address or name of the array, the host part of every URL (set by
  /// SetFileServer); empty means no array chosen.
  std::string fileServer;
  /// REST user name; set it before the first request.
  std::string userName;
  /// REST password in the form sent on the wire (set by SetPasswd). Never logged.
  std::string password;
  /// API version handed to every request; "4.0" until OpenConnection(true) reads the array's.
  std::string apiVersion;
  /// Cookie file path named to the transport (set by SetFileServer). Cookies are kept in memory;
  /// the destructor removes a file of this name if one exists.
  std::string cookieFile;
  /// The host's job id; tags every diagnostic line of this session.
  unsigned long long jobId;
  /// Error code of the last failure: 0 none, 1 request failed without an array code, 2 invalid
  /// input (nothing sent), 3 several objects found where one was needed, 5 HTTP 401 without an
  /// array code, otherwise the array's own code (131149829: the object does not exist).
  unsigned long long errorCode;
  /// Error text of the last failure: the operation's own text for code 2, else the array's.
  std::string errorText;
  /// HTTP status of the last exchange with the array; with code 1 and "No response body", the
  /// status of the answer that had no body.
  long long httpStatus;
  /// The session's HTTP client. Internal state: leave it alone.
  std::unique_ptr<HttpTransport> transport;
  /// True while a login session (cookie and CSRF token) is established. Internal state.
  bool loggedIn;
  /// True once the transport is initialised. Internal state.
  bool transportReady;
  /// The whole "EMC-CSRF-TOKEN" header line of the last successful answer, sent with every
  /// request while logged in. Internal state; never logged.
  std::string csrfHeader;
  /// True when apiVersion was read from the array. Internal state.
  bool apiVersionKnown;
};
