/// \file
/// Records of the array's host objects: hosts, host initiators, host IP ports and iSCSI nodes.
/// Plain values, copied member by member.
#pragma once

#include <cstdint>
#include <string>

/// The array's host type number, sent unchanged as "type" when a host is created. 0 means not
/// given and is refused by CreateHost; the array numbers the rest (1 is a manually created host).
enum _UNITY_HOST_TYPE : std::int32_t {
  UNITY_HOST_TYPE_NONE = 0,    ///< not given
  UNITY_HOST_TYPE_MANUAL = 1,  ///< a host created by hand
};

/// The array's initiator type number, sent unchanged as "initiatorType" when an initiator is
/// created. 0 is refused by CreateHostInitiator; the array numbers the rest.
enum _UNITY_HOSTINITIATOR_TYPE : std::int32_t {
  UNITY_HOSTINITIATOR_TYPE_NONE = 0,   ///< not given
  UNITY_HOSTINITIATOR_TYPE_FC = 1,     ///< Fibre Channel
  UNITY_HOSTINITIATOR_TYPE_ISCSI = 2,  ///< iSCSI
};

/// One host initiator of the array.
struct _UnityHostInitiatorInfo {
  std::string id;            ///< The array's id of the initiator object.
  std::int32_t type = 0;     ///< The array's initiator type number.
  std::string initiatorId;   ///< The IQN, or WWNN:WWPN for Fibre Channel.
  std::string parentHostId;  ///< Id of the host it belongs to; empty when it belongs to none.

  /// Restores the defaults.
  void clear() { *this = _UnityHostInitiatorInfo(); }
};

/// One IP port (network address) of a host.
struct _UnityHostIPPort {
  std::string id;       ///< The array's id of the IP port.
  std::string address;  ///< The address.
  std::string hostId;   ///< Id of the host it belongs to; empty when the array names none.

  /// Restores the defaults.
  void clear() { *this = _UnityHostIPPort(); }
};

/// One iSCSI node of the array itself.
struct _UnityIscsiNode {
  std::string id;    ///< The node's id.
  std::string name;  ///< The node's IQN.

  /// Restores the defaults.
  void clear() { *this = _UnityIscsiNode(); }
};
