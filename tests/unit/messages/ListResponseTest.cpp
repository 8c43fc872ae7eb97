#include <list>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/DiagLog.h"
#include "unity/EMCUnityJSON.h"
#include "unity/messages/FieldExtraction.h"
#include "unity/messages/ListResponse.h"

namespace {

struct Item {
  std::string id;
  std::string lunId = "none";
  int size = -1;
};

const UnityFieldKey kItemKeys[] = {
    {"id", kRequiredKey},
    {"lun.id", kNullableKey},
    {"size", kNullableKey},
};

// A query message written the way every list message is.
class ItemListMessage : public EMCUnityJsonBase {
 public:
  ItemListMessage() {
    resourceType = "item";
    Initialize("a");
  }
  bool BuildRequest(std::string& body) override {
    body.clear();
    SetFieldKeys(kItemKeys);
    MakeURI(nextURI, "");
    return true;
  }
  void InitNullableKeys() override { MarkNullableKeys(kItemKeys); }
  bool ParseResponse(std::string& response) override {
    return ParseListResponse(
        response, items,
        [this](jsondoc::Object&, Item& item) {
          if (!ReadField("id", item.id)) return false;
          ReadField("lun.id", item.lunId);
          ReadField("size", item.size);
          return true;
        },
        UnityListOptions());
  }
  std::list<Item> items;
};

std::vector<Item> Parse(ItemListMessage& message, const std::string& text, bool expected) {
  std::string body;
  message.BuildRequest(body);
  std::string answer = text;
  EXPECT_EQ(message.ParseResponse(answer), expected) << text;
  return std::vector<Item>(message.items.begin(), message.items.end());
}

// Records are read through a field map prepared once per answer; its key-path lines must stay
// those of extracting each record on its own.
TEST(ListResponse, PreparedFieldMapLogsLikePerRecordExtraction) {
  ItemListMessage message;
  DiagLogCapture capture;
  EXPECT_EQ(Parse(message,
                  R"({"entries": [{"content": {"id": "1", "lun": 5}}, {"content": {"id": "2",)"
                  R"( "lun": {"id": null}}}, {"content": {"id": "3"}}, {"content": {"lun": {}}}]})",
                  false)
                .size(),
            3u);
  std::string lines;
  for (const DiagLogRecord& r : capture.records()) {
    if (r.tag.find("ParseJsonValue") != std::string::npos)
      lines += std::to_string(r.level) + " " + r.text + "\n";
  }
  EXPECT_EQ(lines,
            "-1 Failed to Get Object for key [lun.id] at [lun].\n"
            "5 Failed to Get key [size] at [size].\n5 Failed to Get key [size] at [size].\n"
            "5 Failed to Get key [lun.id] at [lun].\n5 Failed to Get key [size] at [size].\n"
            "5 Failed to Get key [id] at [id].\n");
}

}  // namespace
