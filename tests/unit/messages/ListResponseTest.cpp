#include <list>
#include <map>
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

TEST(ListResponse, NullableMarkersAreRenewedForEveryElement) {
  ItemListMessage message;
  std::string body;
  message.BuildRequest(body);
  EXPECT_EQ(message.GetNextURI(), "https://a/api/types/item/instances?&fields=id,lun.id,size");
  const auto items = Parse(message, R"({"entries": [
      {"content": {"id": "1", "lun": {"id": "sv_1"}, "size": 10}},
      {"content": {"id": "2"}},
      {"content": {"id": "3", "lun": null, "size": "big"}}]})",
                           true);
  ASSERT_EQ(items.size(), 3u);
  EXPECT_EQ(items[0].lunId, "sv_1");
  EXPECT_EQ(items[0].size, 10);
  EXPECT_EQ(items[1].id, "2");
  EXPECT_EQ(items[1].lunId, "none");  // not the first element's value
  EXPECT_EQ(items[1].size, -1);
  EXPECT_EQ(items[2].lunId, "none");  // null parent and wrong type keep the defaults
  EXPECT_EQ(items[2].size, -1);
}

// Records are read through a field map prepared once per answer; its key-path lines must stay
// those of extracting each record on its own.
TEST(ListResponse, PreparedFieldMapLogsLikePerRecordExtraction) {
  const std::string kContents[] = {R"({"id": "1", "lun": 5})",
                                   R"({"id": "2", "lun": {"id": null}})", R"({"id": "3"})",
                                   R"({"lun": {"id": "sv_1"}})"};
  std::string answer = R"({"entries": [)";
  for (const std::string& content : kContents) {
    answer += (answer.back() == '[' ? "" : ",") + std::string(R"({"content": )") + content + "}";
  }
  answer += "]}";
  const auto pathLines = [](const DiagLogCapture& capture) {
    std::vector<std::string> lines;
    for (const DiagLogRecord& r : capture.records()) {
      if (r.tag.find("ParseJsonValue") != std::string::npos) {
        lines.push_back(std::to_string(r.level) + " " + r.text);
      }
    }
    return lines;
  };

  std::vector<std::string> expected;
  {
    DiagLogCapture capture;
    for (const std::string& text : kContents) {
      jsondoc::Object content;
      ASSERT_TRUE(content.parse(text));
      std::map<std::string, void*> fields = {
          {"id", nullptr}, {"lun.id", nullableKey}, {"size", nullableKey}};
      if (!GetJsonValues(&content, fields)) break;
    }
    expected = pathLines(capture);
  }
  ItemListMessage message;
  DiagLogCapture capture;
  EXPECT_EQ(Parse(message, answer, false).size(), 3u);
  EXPECT_EQ(pathLines(capture), expected);
  EXPECT_EQ(expected.size(), 6u);
}

}  // namespace
