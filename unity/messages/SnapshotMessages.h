// Messages of the snapshot and replication domain: create, copy, delete, restore and list
// snapshots, mark a snapshot for replication, find and synchronise a replication session.
#pragma once

#include <cstddef>
#include <string>
#include <utility>
#include <vector>

#include "unity/SnapshotRecords.h"
#include "unity/messages/EMCUnityJsonBase.h"

// POST of a new snapshot. The array decides how long a creation may take: the message never
// sends a time-out and refuses the session's per-operation setting.
class EMCUnityJsonCreateSnap : public EMCUnityJsonBase {
 public:
  EMCUnityJsonCreateSnap();
  using EMCUnityJsonBase::Initialize;
  void Initialize(const std::string& fileServer, const std::string& storageResourceId,
                  const std::string& snapName, const bool& accessTypeFlag);
  bool BuildRequest(std::string& body) override;
  bool ParseResponse(std::string& response) override;
  void setTimeout(const long& value) override;
  bool GetSnapId(unsigned long long& out);

 private:
  std::string snapName;
  std::string storageResourceId;
  bool accessTypeFlag = false;
  SnapID snapId = 0;
};

// Copy of one snapshot; the answer must name exactly one new snapshot.
class EMCUnityJsonCopySnap : public EMCUnityJsonBase {
 public:
  EMCUnityJsonCopySnap();
  using EMCUnityJsonBase::Initialize;
  void Initialize(const std::string& fileServer, const unsigned long long& snapId,
                  const std::string& copyName);
  bool BuildRequest(std::string& body) override;
  bool ParseResponse(std::string& response) override;
  bool GetCopySnapId(unsigned long long& out);

 private:
  std::string copyName;
  SnapID copySnapId = 0;
};

class EMCUnityJsonDeleteSnap : public EMCUnityJsonBase {
 public:
  EMCUnityJsonDeleteSnap();
  using EMCUnityJsonBase::Initialize;
  void Initialize(const std::string& fileServer, const unsigned long long& snapId);
};

// Restores the snapshot's storage resource to the snapshot.
class EMCUnityJsonRestoreSnap : public EMCUnityJsonBase {
 public:
  EMCUnityJsonRestoreSnap();
  using EMCUnityJsonBase::Initialize;
  void Initialize(const std::string& fileServer, const unsigned long long& snapId);
};

// Query of snapshots by ids or names (or by snapshot-group ids or names). One id without the
// group flag is asked as a single instance, so an unknown id is the array's error rather than an
// empty list. Records of every result page accumulate in the message.
class EMCUnityJsonGetSnapshotList : public EMCUnityJsonBase {
 public:
  EMCUnityJsonGetSnapshotList();
  using EMCUnityJsonBase::Initialize;
  void Initialize(const std::string& fileServer, const std::vector<unsigned long long>& snapIds,
                  const bool& isSnapGroup);
  // Names go into a percent-encoded filter; one holding a double quote cannot be expressed and
  // makes BuildRequest fail (operations refuse it before building).
  void Initialize(const std::string& fileServer, const std::vector<std::string>& snapNames,
                  const bool& isSnapGroup);
  bool BuildRequest(std::string& body) override;
  void InitNullableKeys() override;
  bool ParseResponse(std::string& response) override;
  bool GetSnapList(std::vector<_UnitySnapInfo>& out);
  // GetSnapList that moves the records out instead of copying them.
  bool TakeSnapList(std::vector<_UnitySnapInfo>& out);
  // Makes `records` (after Initialize) the list the answer's records are appended to.
  void AppendTo(std::vector<_UnitySnapInfo>&& records) { snapList = std::move(records); }

 private:
  bool RequestsHostAccess() const;
  // The snapshot keys this version asks for: all but host access below 5.0.
  std::size_t SnapKeyCount() const;

  std::vector<SnapID> snapIds;
  std::vector<std::string> snapNames;
  std::vector<_UnitySnapInfo> snapList;
  bool isSnapGroup = false;
};

class EMCUnityJsonMarkSnapReplication : public EMCUnityJsonBase {
 public:
  EMCUnityJsonMarkSnapReplication();
  using EMCUnityJsonBase::Initialize;
  void Initialize(const std::string& fileServer, const unsigned long long& snapId);
  bool BuildRequest(std::string& body) override;
};

// Query of the replication session whose source is one storage resource. The resource id goes
// into a filter sent without percent-encoding; bytes that would change the URL's meaning are
// encoded, and an id holding a double quote makes BuildRequest fail. Exactly one session with a
// remote system must be listed.
class EMCUnityJsonGetReplicationInfo : public EMCUnityJsonBase {
 public:
  EMCUnityJsonGetReplicationInfo();
  using EMCUnityJsonBase::Initialize;
  void Initialize(const std::string& fileServer, const std::string& srcResourceId);
  bool BuildRequest(std::string& body) override;
  bool ParseResponse(std::string& response) override;
  void GetReplicationSessionInfo(_ReplicationSessionInfo& out);
  // The number of sessions the answer listed; a count other than one fails ParseResponse.
  // kNotListed until an answer without an error has been read.
  static constexpr std::size_t kNotListed = static_cast<std::size_t>(-1);
  std::size_t ListedCount() const { return listedCount; }

 private:
  std::string srcResourceId;
  _ReplicationSessionInfo sessionInfo;
  std::size_t listedCount = kNotListed;
};

class EMCUnityJsonSyncReplication : public EMCUnityJsonBase {
 public:
  EMCUnityJsonSyncReplication();
  using EMCUnityJsonBase::Initialize;
  void Initialize(const std::string& fileServer, const std::string& sessionId);
  bool BuildRequest(std::string& body) override;
};
