// Messages of the host domain: hosts, host initiators (and the logged-in ones), host IP ports and
// the array's own iSCSI nodes.
//
// Caller text that goes into a filter (initiator ids, port WWNs, addresses, host names) travels
// without percent-encoding: bytes that would change the URL's meaning are encoded, and a value
// holding a double quote makes BuildRequest fail (operations refuse it before building).
// Answers whose "entries" is not a list, or whose elements are not objects, fail the parse.
#pragma once

#include <string>
#include <vector>

#include "unity/HostRecords.h"
#include "unity/messages/EMCUnityJsonBase.h"

// Query of host initiators by initiator id or port WWN; an empty value lists all of them.
class EMCUnityJsonGetHostInitiatorInfo : public EMCUnityJsonBase {
 public:
  EMCUnityJsonGetHostInitiatorInfo();
  using EMCUnityJsonBase::Initialize;
  void Initialize(const std::string& fileServer, const std::string& initiator,
                  const bool& isPortWWN);
  bool BuildRequest(std::string& body) override;
  void InitNullableKeys() override;
  bool ParseResponse(std::string& response) override;
  // False, with `out` untouched and no error set, unless exactly one initiator was listed.
  bool GetHostInitiatorInfo(_UnityHostInitiatorInfo& out);
  // Every initiator listed, moved out, for a caller that counts them itself.
  bool TakeInitiatorList(std::vector<_UnityHostInitiatorInfo>& out);

 private:
  std::string initiator;
  std::vector<_UnityHostInitiatorInfo> initiatorList;
  bool isPortWWN = false;
};

// Query of host IP ports by address; an empty address lists all of them.
class EMCUnityJsonGetHostIPPort : public EMCUnityJsonBase {
 public:
  EMCUnityJsonGetHostIPPort();
  using EMCUnityJsonBase::Initialize;
  void Initialize(const std::string& fileServer, const std::string& address);
  bool BuildRequest(std::string& body) override;
  void InitNullableKeys() override;
  bool ParseResponse(std::string& response) override;
  // Exactly one port: copies it. None: sets the missing-resource error and returns false. Two or
  // more: returns false and sets nothing.
  bool GetHostIPPort(_UnityHostIPPort& out);
  // Every port listed, moved out, for a caller that counts them itself.
  bool TakeIPPortList(std::vector<_UnityHostIPPort>& out);

 private:
  std::string address;
  std::vector<_UnityHostIPPort> ipPortList;
};

// Query of the initiator paths that are logged in; one string per path: the initiator's port
// WWN when it has one, else its initiator id (possibly empty).
class EMCUnityJsonGetLoggedInInitiator : public EMCUnityJsonBase {
 public:
  EMCUnityJsonGetLoggedInInitiator();
  bool BuildRequest(std::string& body) override;
  void InitNullableKeys() override;
  bool ParseResponse(std::string& response) override;
  bool GetInitiators(std::vector<std::string>& out);

 private:
  std::vector<std::string> initiators;
};

// Creates an initiator of a host (create form) or moves an existing one under another host
// (modify form). The created id is kept in instanceId.
class EMCUnityJsonHostInitiator : public EMCUnityJsonBase {
 public:
  EMCUnityJsonHostInitiator();
  using EMCUnityJsonBase::Initialize;
  void Initialize(const std::string& fileServer, const std::string& hostId,
                  const _UNITY_HOSTINITIATOR_TYPE& initiatorType,
                  const std::string& initiatorWWNorIqn);
  void Initialize(const std::string& fileServer, const std::string& initiatorId,
                  const std::string& hostId);
  bool BuildRequest(std::string& body) override;
  bool ParseResponse(std::string& response) override;
  bool GetHostInitiatorId(std::string& out);

 private:
  std::string hostId;
  _UNITY_HOSTINITIATOR_TYPE initiatorType = UNITY_HOSTINITIATOR_TYPE_NONE;
  std::string initiatorWWNorIqn;
};

class EMCUnityJsonCreateHostIPPort : public EMCUnityJsonBase {
 public:
  EMCUnityJsonCreateHostIPPort();
  using EMCUnityJsonBase::Initialize;
  void Initialize(const std::string& fileServer, const std::string& hostId,
                  const std::string& address);
  bool BuildRequest(std::string& body) override;
  bool ParseResponse(std::string& response) override;
  bool GetHostIPPortId(std::string& out);

 private:
  std::string hostId;
  std::string address;
};

// Query of hosts by name (always filtered, even by an empty name). The first match's id is kept
// in instanceId; no match is reported as the array's missing-resource error.
class EMCUnityJsonGetHost : public EMCUnityJsonBase {
 public:
  EMCUnityJsonGetHost();
  using EMCUnityJsonBase::Initialize;
  void Initialize(const std::string& fileServer, const std::string& hostName);
  bool BuildRequest(std::string& body) override;
  bool ParseResponse(std::string& response) override;
  bool GetHostId(std::string& out);

 private:
  std::string hostName;
};

// Creates a host; an empty OS type is left out of the request. The created id is kept in
// instanceId.
class EMCUnityJsonCreateHost : public EMCUnityJsonBase {
 public:
  EMCUnityJsonCreateHost();
  using EMCUnityJsonBase::Initialize;
  void Initialize(const std::string& fileServer, const std::string& hostName,
                  const std::string& osType, const _UNITY_HOST_TYPE& hostType);
  bool BuildRequest(std::string& body) override;
  bool ParseResponse(std::string& response) override;
  bool GetHostId(std::string& out);

 private:
  std::string hostName;
  std::string osType;
  _UNITY_HOST_TYPE hostType = UNITY_HOST_TYPE_NONE;
};

class EMCUnityJsonDeleteHost : public EMCUnityJsonBase {
 public:
  EMCUnityJsonDeleteHost();
  using EMCUnityJsonBase::Initialize;
  void Initialize(const std::string& fileServer, const std::string& hostId);
};

// Query of all iSCSI nodes of the array. Elements without content are skipped.
class EMCUnityJsonGetIscsiNode : public EMCUnityJsonBase {
 public:
  EMCUnityJsonGetIscsiNode();
  void Initialize(const std::string& fileServer) override;
  bool BuildRequest(std::string& body) override;
  bool ParseResponse(std::string& response) override;
  bool GetIscsNodes(std::vector<_UnityIscsiNode>& out);

 private:
  std::vector<_UnityIscsiNode> iscsiNodeList;
};
