// Records of the array's host objects: hosts, host initiators, host IP ports and iSCSI nodes.
// Plain values, copied member by member.
#pragma once

#include <cstdint>
#include <string>

// The array's host type number, sent unchanged as "type" when a host is created. 0 means not
// given and is refused by CreateHost; the array numbers the rest (1 is a manually created host).
enum _UNITY_HOST_TYPE : std::int32_t {
  UNITY_HOST_TYPE_NONE = 0,
  UNITY_HOST_TYPE_MANUAL = 1,
};

// The array's initiator type number, sent unchanged as "initiatorType" when an initiator is
// created. 0 is refused by CreateHostInitiator; the array numbers the rest.
enum _UNITY_HOSTINITIATOR_TYPE : std::int32_t {
  UNITY_HOSTINITIATOR_TYPE_NONE = 0,
  UNITY_HOSTINITIATOR_TYPE_FC = 1,
  UNITY_HOSTINITIATOR_TYPE_ISCSI = 2,
};

struct _UnityHostInitiatorInfo {
  std::string id;
  std::int32_t type = 0;  // the array's initiator type number
  std::string initiatorId;
  std::string parentHostId;  // empty when the initiator belongs to no host

  void clear() { *this = _UnityHostInitiatorInfo(); }
};

struct _UnityHostIPPort {
  std::string id;
  std::string address;
  std::string hostId;  // empty when the array names no host

  void clear() { *this = _UnityHostIPPort(); }
};

// One iSCSI node of the array itself.
struct _UnityIscsiNode {
  std::string id;
  std::string name;

  void clear() { *this = _UnityIscsiNode(); }
};
