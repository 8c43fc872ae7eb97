#include "sim/ScaleSeed.h"

#include <cstdio>
#include <stdexcept>
#include <string>
#include <vector>

#include "sim/Json.h"
#include "sim/ObjectModel.h"

namespace unitysim {
namespace {

constexpr int kResourceFilesystem = 1;
constexpr int kResourceLun = 8;
constexpr int kInitiatorIscsi = 2;
constexpr long long kGiB = 1LL << 30;

// {"id": id}. Not named "ref": std::ref would win overload resolution for a std::string lvalue.
Json idRef(const std::string& id) {
  return Json{{"id", id}};
}

// "60:06:01:60:..." from a number, unique per LUN.
std::string wwnFor(std::size_t n) {
  std::string wwn = "60:06:01:60:5C:A0:00:00";
  for (int shift = 56; shift >= 0; shift -= 8) {
    char part[4];
    std::snprintf(part, sizeof(part), ":%02X", static_cast<unsigned>((n >> shift) & 0xFF));
    wwn += part;
  }
  return wwn;
}

}  // namespace

void addScaleObjects(ObjectModel& model, std::size_t count) {
  const auto lock = model.lock();
  std::vector<std::string> nasServers;
  model.forEach("nasServer", [&nasServers](const Json& nas) {
    nasServers.push_back(nas.value("id", std::string()));
    return nasServers.size() < 2;
  });
  if (nasServers.empty())
    nasServers.push_back(model.add("nasServer", Json{{"id", "nas_scale"}, {"name", "NAS_Scale"}}));
  const std::string firstHost = model.nextId("host");

  for (std::size_t i = 1; i <= count; ++i) {
    const std::string n = std::to_string(i);
    const long long size = static_cast<long long>(i % 64 + 1) * kGiB;

    const std::string hostId =
        model.add("host", Json{{"name", "host_scale_" + n}, {"type", 1}, {"osType", "Linux"}});
    model.add("hostInitiator", Json{{"type", kInitiatorIscsi},
                                    {"initiatorId", "iqn.1994-05.com.redhat:scale-" + n},
                                    {"parentHost", idRef(hostId)},
                                    {"isIgnored", false}});
    model.add("hostIPPort", Json{{"address", "10.99." + std::to_string(i / 250 % 256) + "." +
                                                 std::to_string(i % 250 + 1)},
                                 {"host", idRef(hostId)},
                                 {"isIgnored", false}});

    const std::string lunId = model.nextId("storageResource");
    if (model.get("lun", lunId) != nullptr) {
      throw std::invalid_argument("LUN id " + lunId + " is already taken");
    }
    Json access = Json::array();
    if (i % 2 == 0) access.push_back(Json{{"host", idRef(firstHost)}, {"accessMask", 1}});
    Json resource{{"id", lunId},
                  {"name", "lun_scale_" + n},
                  {"type", kResourceLun},
                  {"sizeTotal", size},
                  {"sizeAllocated", size / 4},
                  {"luns", Json::array({idRef(lunId)})},
                  {"blockHostAccess", Json::array()}};
    for (const Json& entry : access) {
      Json full = entry;
      full["productionAccess"] = 1;
      full["snapshotAccess"] = 0;
      resource["blockHostAccess"].push_back(full);
    }
    model.add("storageResource", resource);
    model.add("lun", Json{{"id", lunId},
                          {"name", "lun_scale_" + n},
                          {"type", 2},
                          {"wwn", wwnFor(i)},
                          {"storageResource", idRef(lunId)},
                          {"sizeTotal", size},
                          {"sizeAllocated", size / 4},
                          {"hostAccess", access}});

    const std::string fsResource = model.add(
        "storageResource",
        Json{{"name", "fs_scale_" + n}, {"type", kResourceFilesystem}, {"sizeTotal", size}});
    Json fs{{"name", "fs_scale_" + n},
            {"type", 1},
            {"supportedProtocols", 0},
            {"storageResource", idRef(fsResource)},
            {"sizeTotal", size}};
    fs["nasServer"] = idRef(nasServers[i % nasServers.size()]);
    fs["id"] = "fs_" + model.nextId("filesystem");  // the type mints bare numbers
    const std::string fsId = model.add("filesystem", fs);
    model.update("storageResource", fsResource,
                 [&fsId](Json& sr) { sr["filesystem"] = idRef(fsId); });
  }
}

}  // namespace unitysim
