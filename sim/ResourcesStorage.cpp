#include "sim/ObjectModel.h"
#include "sim/Resources.h"

namespace unitysim {

void defineSnapType(ObjectModel& model);  // ResourcesSnap.cpp

void defineStorageTypes(ObjectModel& model) {
  TypeSpec blockAccess;
  blockAccess.name = "blockHostAccess";
  blockAccess.resource = false;
  values(blockAccess, {"accessMask", "productionAccess", "snapshotAccess", "hlu"});
  reference(blockAccess, "host", "host");
  model.define(blockAccess);

  TypeSpec snapAccess;
  snapAccess.name = "snapHostAccess";
  snapAccess.resource = false;
  values(snapAccess, {"allowedAccess"});
  reference(snapAccess, "host", "host");
  model.define(snapAccess);

  TypeSpec sr;
  sr.name = "storageResource";
  sr.byName = true;
  sr.idPrefix = "sv_";
  values(sr, {"name", "description", "type", "sizeTotal", "sizeUsed", "sizeAllocated", "snapCount",
              "isReplicationDestination", "replicationType", "thinStatus", "metadataSize",
              "snapsSizeTotal", "snapsSizeAllocated"});
  embedded(sr, "health", "health");
  embeddedList(sr, "blockHostAccess", "blockHostAccess");
  references(sr, "luns", "lun");
  reference(sr, "filesystem", "filesystem");
  references(sr, "pools", "pool");
  model.define(sr);

  TypeSpec lun;
  lun.name = "lun";
  lun.byName = true;
  lun.idPrefix = "sv_";
  values(lun,
         {"name", "description", "type", "wwn", "snapWwn", "sizeTotal", "sizeAllocated",
          "snapCount", "isThinEnabled", "currentNode", "defaultNode", "isReplicationDestination"});
  embedded(lun, "health", "health");
  reference(lun, "storageResource", "storageResource");
  reference(lun, "pool", "pool");
  embeddedList(lun, "hostAccess", "blockHostAccess");
  model.define(lun);

  defineSnapType(model);
}

}  // namespace unitysim
