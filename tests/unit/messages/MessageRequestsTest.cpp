// Requests the integration tests do not check, the filter text rules, and the messages' own refusal
// of a double quote (behind the operations' refusal), which no filter can carry.
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "unity/EMCUnityJSON.h"
#include "unity/TextUtils.h"
#include "unity/messages/FilterText.h"

namespace {

const char kArray[] = "10.0.0.5";
const std::string kApi = "https://10.0.0.5/api/";

struct Built {
  bool built;
  std::string uri;
  std::string body;
};

// Init with the job and API version, the time-out setting applied as the session applies it
// (-2: none), then BuildRequest into a body that held something before.
Built Build(EMCUnityJsonBase& m, long timeoutSetting = -2, const std::string& api = "5.0") {
  m.Init(7, api);
  if (timeoutSetting != -2) m.setTimeout(timeoutSetting);
  std::string body = "stale";
  const bool built = m.BuildRequest(body);
  return Built{built, m.GetNextURI(), body};
}

template <typename Message, typename... Args>
Built Make(const Args&... args) {
  Message m;
  m.Initialize(kArray, args...);
  return Build(m);
}

Built SnapList(const std::vector<SnapID>& ids, bool group, const std::string& api = "5.0") {
  EMCUnityJsonGetSnapshotList m;
  m.Initialize(kArray, ids, group);
  return Build(m, -2, api);
}

TEST(MessageRequests, GoldenRequests) {
  EMCUnityJsonCreateSnap create;
  create.Initialize(kArray, "res_1", "a/\"b\"", true);
  EMCUnityJsonGetNFSExportList nfsByNas;
  nfsByNas.InitializeWithName(kArray, "", "NAS_1");
  EMCUnityJsonModifyNfsAccess modify;
  modify.Initialize(kArray, "NFSShare_7",
                    {UNITY_NFS_DEF_ACCESS_NO_ACCESS,
                     {{"Host_B", UNITY_NFS_DEF_ACCESS_READ_ONLY},
                      {"Host_A", UNITY_NFS_DEF_ACCESS_ROOT},
                      {"Host_C", UNITY_NFS_DEF_ACCESS_ROOT},
                      {"Host_D", static_cast<_UNITY_NFS_DEF_ACCESS>(-1)},
                      {"Host_E", static_cast<_UNITY_NFS_DEF_ACCESS>(4)}}});
  const std::string snaps =
      "types/snap/instances?&fields=attachedWWN,hostAccess,id,isModifiable,"
      "lun.id,name,storageResource.id&filter=";
  const std::string fs =
      "?&fields=id,name,storageResource.id,storageResource.name,"
      "storageResource.type,supportedProtocols,type";
  const struct {
    const char* name;
    Built got;
    std::string uri;  // after the common prefix
    std::string body;
  } rows[] = {
      // A snapshot with protocol access; its creation keeps the array's time-out.
      {"CreateSnapRefusesTimeout", Build(create, 600), "types/snap/instances?",
       R"({"filesystemAccessType": 2, "isAutoDelete": false, "name": "a\/\"b\"", )"
       R"("storageResource": {"id": "res_1"}})"},
      {"SnapApi51InstanceHasHostAccess", SnapList({18446744073709551615ULL}, false, "5.1"),
       "instances/snap/18446744073709551615?&fields=attachedWWN,hostAccess,id,isModifiable,lun.id,"
       "name,storageResource.id",
       ""},
      {"SnapGroupIds",
       Make<EMCUnityJsonGetSnapshotList>(std::vector<SnapID>{12, 18446744073709551615ULL}, true),
       snaps + "%28snapGroup.id%20eq%20%2212%22%29%20OR%20%28snapGroup.id%20eq%20%22"
               "18446744073709551615%22%29",
       ""},
      {"SnapNamesEncoded",
       Make<EMCUnityJsonGetSnapshotList>(std::vector<std::string>{"cg", "x&y+%"}, true),
       snaps + "%28snapGroup.name%20eq%20%22cg%22%29%20OR%20%28snapGroup.name%20eq%20%22x%26y%2B%25"
               "%22%29",
       ""},
      {"HostLunTwoHostsSortedAndWrapped",
       Make<EMCUnityJsonGetHostLun>(std::vector<unsigned long long>{},
                                    std::set<std::string>{"Host_2", "Host_1"},
                                    static_cast<_UNITY_HOST_LUN_TYPE>(0)),
       "types/hostLUN/instances?&fields=host.id,id,lun.id,snap.id,snap.snapGroup.id,type&filter="
       "%28%28host.id%20eq%20%22Host_1%22%29%20OR%20%28host.id%20eq%20%22Host_2%22%29%29",
       ""},
      {"ResourceByEmptyIdHasDefinedType", Make<EMCUnityJsonGetStorageResource>(std::string()),
       "types/storageResource/instances?&fields=blockHostAccess,id,luns,name,type"
       "&filter=name%20eq%20%22%22%20AND%20%28type%20eq%20-1%29",
       ""},
      {"LunAccessEmptyGroup",
       Make<EMCUnityJsonLunAccess>(std::string("res_9"), std::vector<_UnityHostAccess>{}, true),
       "instances/storageResource/res_9/action/modifyConsistencyGroup?",
       R"({"blockHostAccess": []})"},
      {"FSNameAndNas", Make<EMCUnityJsonGetFSList>(std::string("a b&c"), std::string("nas")),
       "types/filesystem/instances" + fs +
           "&filter=%28name%20eq%20%22a%20b%26c%22%29%20AND%20%28nasServer.name%20eq%20%22nas%22%"
           "29",
       ""},
      {"IpIscsi", Make<EMCUnityJsonGetIpInterface>(UNITY_IP_INTERFACE_TYPE_ISCSI),
       "types/ipInterface/instances?&fields=ipAddress&filter=%28type%20eq%202%29", ""},
      {"CreateInitiator",
       Make<EMCUnityJsonHostInitiator>(std::string("Host_1"), UNITY_HOSTINITIATOR_TYPE_ISCSI,
                                       std::string("iqn.1994-05.a:b")),
       "types/hostInitiator/instances?",
       R"({"host": {"id": "Host_1"}, "initiatorType": 2, "initiatorWWNorIqn": "iqn.1994-05.a:b"})"},
      // Access codes outside the four count as no access; hosts go in id order.
      {"NfsModifyHostsByAccess", Build(modify, 5),
       "instances/nfsShare/NFSShare_7/action/modify?&timeout=5",
       R"({"defaultAccess": 0, "noAccessHosts": [{"id": "Host_D"}, {"id": "Host_E"}], )"
       R"("readOnlyHosts": [{"id": "Host_B"}], "readWriteHosts": [], )"
       R"("rootAccessHosts": [{"id": "Host_A"}, {"id": "Host_C"}]})"},
      {"NfsNasWithoutNameIsNoFilter", Build(nfsByNas),
       "types/nfsShare/instances?&fields=defaultAccess,exportPaths,filesystem.id,id,name,"
       "noAccessHosts,path,readOnlyHosts,readWriteHosts,rootAccessHosts,type",
       ""},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_TRUE(row.got.built);
    EXPECT_EQ(row.got.uri, kApi + row.uri);
    EXPECT_EQ(row.got.body, row.body);
  }
}

TEST(MessageRequests, DoubleQuoteInFilterValueIsNotBuilt) {
  EXPECT_FALSE(
      Make<EMCUnityJsonGetSnapshotList>(std::vector<std::string>{"ok", "say \"hi\""}, false).built);
}

TEST(FilterText, UrlSafeEncodesOnlyMeaningfulBytes) {
  std::string every;
  for (int b = 0x20; b < 0x7F; ++b) {
    if (b != '%' && b != '&' && b != '#' && b != '+') every += static_cast<char>(b);
  }
  EXPECT_EQ(filter_url_safe(every), every);
  EXPECT_EQ(filter_url_safe(std::string("\0\n%&#+\xff", 7)), "%00%0A%25%26%23%2B%FF");
}

// The id filter written in its encoded form is the encoded filter of the plain terms, for ids of
// every digit count.
TEST(FilterText, EncodedIdFilterIsTheEncodedPlainFilter) {
  const std::vector<unsigned long long> ids = {
      0, 7, 10, 99, 100, 101, 38654705664ULL, 1000000000000000000ULL, 18446744073709551615ULL};
  for (std::size_t n = 0; n <= ids.size(); ++n) {
    const std::vector<unsigned long long> some(ids.begin(), ids.begin() + n);
    std::string plain;
    for (unsigned long long id : some)
      AppendFilterOrTerm(plain, "snapGroup.id", std::to_string(id));
    EXPECT_EQ(EncodedIdFilterQuery("snapGroup.id", some), "filter=" + url_encode(plain)) << n;
  }
}

}  // namespace
