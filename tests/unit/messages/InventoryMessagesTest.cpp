// LUN listing answers the simulator never sends: values of the wrong type or range, missing
// required attributes and elements that are not objects must fail the listing, not yield records
// with default values.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "unity/messages/InventoryMessages.h"

namespace unitytest {
namespace {

struct LunAnswer {
  const char* name;
  std::string entry;  // one element of "entries"
  bool ok;
  std::string read;  // id|wwn|sizeTotal|sizeAllocated of the records read
};

std::string Lun(const std::string& fields) {
  return R"({"content": {"id": "sv_1", "name": "L", "storageResource": {"id": "sv_1"}, )" + fields +
         "}}";
}

class LunAnswerTest : public testing::TestWithParam<LunAnswer> {};

TEST_P(LunAnswerTest, Reads) {
  const LunAnswer& row = GetParam();
  SCOPED_TRACE(row.name);
  EMCUnityJsonListLuns message;
  message.Init(1, "13.0");
  message.Initialize("array", "");
  std::string body;
  ASSERT_TRUE(message.BuildRequest(body));
  std::string answer =
      R"({"@base": "https://array/api/types/lun/instances", "entries": [)" + row.entry + "]}";
  const bool ok = message.ParseResponse(answer);
  std::vector<_UnityLunListEntry> luns;
  message.TakeList(luns);
  std::string read;
  for (const _UnityLunListEntry& l : luns) {
    read += l.id + "|" + l.wwn + "|" + std::to_string(l.sizeTotal) + "|" +
            std::to_string(l.sizeAllocated);
  }
  EXPECT_EQ(ok, row.ok);
  EXPECT_EQ(read, row.read);
}

INSTANTIATE_TEST_SUITE_P(
    Inventory, LunAnswerTest,
    testing::Values(LunAnswer{"OptionalAttributesAbsent", Lun(R"("sizeTotal": 1)"), true,
                              "sv_1||1|0"},
                    LunAnswer{"SizeAsText", Lun(R"("sizeTotal": "1099511627776")"), false, ""},
                    LunAnswer{"NegativeSize", Lun(R"("sizeTotal": -1)"), false, ""},
                    LunAnswer{"NoSize", Lun(R"("wwn": "60:06")"), false, ""},
                    LunAnswer{"ElementNotAnObject", R"("sv_1")", false, ""}),
    [](const testing::TestParamInfo<LunAnswer>& row) { return std::string(row.param.name); });

}  // namespace
}  // namespace unitytest
