// Messages of CIFS shares of snapshots: create, delete, list, and read and write a share's access
// control entries.
#pragma once

#include <list>
#include <string>
#include <vector>

#include "unity/CifsRecords.h"
#include "unity/messages/NfsMessages.h"

class EMCUnityJsonCreateCifsShare : public EMCUnityJsonCreateSnapShare {
 public:
  EMCUnityJsonCreateCifsShare();
  using EMCUnityJsonBase::Initialize;
  void Initialize(const std::string& fileServer, const unsigned long long& snapId,
                  const std::string& shareName, const std::string& sharePath);
  bool BuildRequest(std::string& body) override;
};

class EMCUnityJsonDeleteCifsShare : public EMCUnityJsonBase {
 public:
  EMCUnityJsonDeleteCifsShare();
  using EMCUnityJsonBase::Initialize;
  void Initialize(const std::string& fileServer, const std::string& shareId);
};

// Query of shares by name, snapshot and NAS server (each term when set, joined by " AND "), or
// of all shares after the base Initialize alone. Records of every page accumulate.
class EMCUnityJsonGetCifsShareList : public EMCUnityJsonSnapShareList {
 public:
  EMCUnityJsonGetCifsShareList();
  using EMCUnityJsonBase::Initialize;
  void InitializeWithName(const std::string& fileServer, const std::string& shareName,
                          const std::string& nasServerName);
  void InitializeWithSnap(const std::string& fileServer, const unsigned long long& snapId,
                          const std::string& shareName);
  bool BuildRequest(std::string& body) override;
  void InitNullableKeys() override;
  bool ParseResponse(std::string& response) override;
  bool GetCifsList(std::vector<_UnityCifsShareInfo>& out);

 private:
  std::string nasServerName;
  std::string shareName;
  unsigned long long snapId = 0;
  std::vector<_UnityCifsShareInfo> cifsList;
};

// Reads a share's entries in the array's order. An answer without entries (the array's 204)
// gives an empty list; an entry lacking "sid", "accessType" or "accessLevel" fails the parse.
class EMCUnityJsonGetCifsACE : public EMCUnityJsonBase {
 public:
  EMCUnityJsonGetCifsACE();
  using EMCUnityJsonBase::Initialize;
  void Initialize(const std::string& fileServer, const std::string& shareId);
  bool BuildRequest(std::string& body) override;
  void InitNullableKeys() override;
  bool ParseResponse(std::string& response) override;
  bool GetCifsShareACE(std::list<_UnityCifsShareACE>& out);

 private:
  std::list<_UnityCifsShareACE> aceList;
};

// Writes entries in list order; an empty list sends an empty "cifsShareACEs" array.
class EMCUnityJsonSetCifsACE : public EMCUnityJsonBase {
 public:
  EMCUnityJsonSetCifsACE();
  using EMCUnityJsonBase::Initialize;
  void Initialize(const std::string& fileServer, const std::string& shareId,
                  const std::list<_UnityCifsShareACE>& aces);
  bool BuildRequest(std::string& body) override;

 private:
  std::list<_UnityCifsShareACE> aceList;
};
