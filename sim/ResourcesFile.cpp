// The file side of the array, read-only: IP interfaces, NAS servers with their file interfaces,
// CIFS servers and NFS server, and file systems. NAS servers refer to their file interfaces and
// CIFS servers as lists of references and to their NFS server as one reference, so dotted fields
// such as fileInterface.ipAddress come back as [{"id": ..., "ipAddress": ...}, ...].

#include "sim/ObjectModel.h"
#include "sim/Resources.h"

namespace unitysim {

void defineFileTypes(ObjectModel& model) {
  TypeSpec ip;
  ip.name = "ipInterface";
  values(ip, {"ipProtocolVersion", "ipAddress", "netmask", "v6PrefixLength", "gateway", "vlanId",
              "type"});
  reference(ip, "ipPort", "ipPort");
  model.define(ip);

  TypeSpec fi;
  fi.name = "fileInterface";
  values(fi, {"name", "ipAddress", "netmask", "gateway", "vlanId", "macAddress", "role"});
  reference(fi, "nasServer", "nasServer");
  reference(fi, "ipPort", "ipPort");
  model.define(fi);

  TypeSpec cifs;
  cifs.name = "cifsServer";
  values(cifs, {"name", "description", "netbiosName", "domain", "workgroup", "isStandalone",
                "smbProtocolVersions"});
  reference(cifs, "nasServer", "nasServer");
  references(cifs, "fileInterfaces", "fileInterface");
  model.define(cifs);

  TypeSpec nfs;
  nfs.name = "nfsServer";
  values(nfs, {"hostName", "nfsv3Enabled", "nfsv4Enabled", "isSecureEnabled"});
  reference(nfs, "nasServer", "nasServer");
  references(nfs, "fileInterfaces", "fileInterface");
  model.define(nfs);

  TypeSpec nas;
  nas.name = "nasServer";
  nas.byName = true;
  values(nas, {"name", "homeSP", "currentSP", "isReplicationEnabled", "isReplicationDestination",
               "isMultiProtocolEnabled"});
  embedded(nas, "health", "health");
  reference(nas, "pool", "pool");
  references(nas, "cifsServer", "cifsServer");
  reference(nas, "nfsServer", "nfsServer");
  references(nas, "fileInterface", "fileInterface");
  model.define(nas);

  TypeSpec fs;
  fs.name = "filesystem";
  fs.byName = true;
  values(fs, {"name", "description", "type", "supportedProtocols", "sizeTotal", "sizeUsed",
              "isReadOnly", "isThinEnabled", "format", "snapCount"});
  embedded(fs, "health", "health");
  reference(fs, "storageResource", "storageResource");
  reference(fs, "nasServer", "nasServer");
  reference(fs, "pool", "pool");
  model.define(fs);
}

}  // namespace unitysim
