#pragma once
// The resource types the simulator models. Each define* function registers types with their
// attributes and operations; adding a resource means adding such a function, not touching the
// router or handlers.

#include <string>

#include "sim/Clock.h"
#include "sim/Json.h"

namespace unitysim {

class ObjectModel;

void defineSystemTypes(ObjectModel& model);       // basicSystemInfo, system, loginSessionInfo, job
void defineStorageTypes(ObjectModel& model);      // storageResource, lun, snap
void defineReplicationTypes(ObjectModel& model);  // replicationSession
void defineBlockTypes(ObjectModel& model);        // hostLUN; storageResource host access actions
void defineFileTypes(ObjectModel& model);   // ipInterface, nasServer and its parts, filesystem
void defineHostTypes(ObjectModel& model);   // host, hostInitiator(Path), hostIPPort, iscsiNode
void defineShareTypes(ObjectModel& model);  // nfsShare, cifsShare
void defineAllTypes(ObjectModel& model);

// The loginSessionInfo object a login of `user` shows. Caller need not hold the lock.
void recordLogin(ObjectModel& model, const std::string& user, long idleTimeoutSeconds);

// Rebuilds the hostLUN objects of a snapshot (or of its members, for a group snapshot) from its
// attachment and host access; a snapshot that is gone or not attached keeps none. Caller holds
// the lock.
void syncSnapHostLuns(ObjectModel& model, const std::string& snapId);
// The array's REST API version (basicSystemInfo.apiVersion) has at least this major number.
bool apiVersionAtLeast(const ObjectModel& model, int major);
void setApiVersion(ObjectModel& model, const std::string& version);

// The default seed: a Unity 480F with LUNs, a consistency group, a file system, snapshots and
// replication sessions (sim/seed/default.json, compiled in).
const char* defaultSeedText();

// An ISO time string `seconds` from now, for seeds and actions.
std::string isoTimeIn(SimClock::TimePoint now, long long seconds);

}  // namespace unitysim
