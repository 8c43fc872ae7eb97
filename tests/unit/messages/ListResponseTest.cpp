#include <list>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/DiagLog.h"
#include "tests/support/DirectListCheck.h"
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

// Only plainly written pages are read from their text; both readings agree in all they show.
TEST(ListResponse, PagesReadFromTheirTextAgreeWithTheDocument) {
  const std::string lun =
      R"({"id": "sv_1", "name": "Data", "sizeAllocated": 42, "sizeTotal": 9223372036854775807,)"
      R"( "storageResource": {"id": "res_1"}, "wwn": "60:06:01"})";
  const std::string links = R"("links": [{"rel": "self", "href": "&page=1"},)"
                            R"( {"rel": "next", "href": "&page=2"}])";
  const std::string base = R"("@base": "https://unity.example.com/api/types/lun/instances?x=1")";
  const auto page = [&](const std::string& entries) {
    return "{" + base + R"(, "entries": [)" + entries + "], " + links + "}";
  };
  const std::string entry = R"({"content": )" + lun + "}";
  // An element whose content has `member` in place of the one of the same key (none: left out).
  const auto with = [](const std::string& key, const std::string& member) {
    const std::pair<std::string, std::string> members[] = {
        {"id", R"("id": "1")"},
        {"name", R"("name": "n")"},
        {"wwn", R"("wwn": "w")"},
        {"storageResource", R"("storageResource": {"id": "r"})"},
        {"sizeTotal", R"("sizeTotal": 1)"},
        {"sizeAllocated", R"("sizeAllocated": 2)"}};
    std::string content;
    for (const auto& m : members) {
      const std::string& text = m.first == key ? member : m.second;
      if (!text.empty()) content += (content.empty() ? "" : ", ") + text;
    }
    return R"({"content": {)" + content + "}}";
  };
  struct Row {
    const char* name;
    std::string text;
    bool direct;
  };
  const Row rows[] = {
      {"plain page", page(entry + ", " + entry), true},
      {"compact, no blanks",
       R"({"entries":[{"content":{"id":"a","name":"b","wwn":"c",)"
       R"("storageResource":{"id":"d"},"sizeTotal":1,"sizeAllocated":0}}]})",
       true},
      {"entry metadata and unknown keys",
       page(R"({"@base": "x", "links": [{"rel": "self"}], "content": {"id": "1", "name": "n", )"
            R"("wwn": "w", "x": [1, {"y": null}], "a.b": true, "storageResource": {"id": "r",)"
            R"( "z": false}, "sizeTotal": 0, "sizeAllocated": 7}})"),
       true},
      {"escapes where nothing is read",
       R"({"@base": "x?filter=id eq \"1\"", "entries": [{"updated": "a\tb\/c", "content": )" + lun +
           "}]}",
       true},
      {"unicode or unknown escape where nothing is read",
       page(R"({"updated": "\u00e9", "content": )" + lun + R"(}, {"x": "\q", "content": )" + lun +
            "}"),
       false},
      {"empty entries", page(""), false},
      {"repeated content", page(R"({"content": )" + lun + R"(, "content": {}})"), false},
      {"repeated entries", "{" + base + R"(, "entries": [)" + entry + R"(], "entries": []})",
       false},
      {"element without content", page(entry + R"(, {"x": 1}, 5)"), false},
      {"array error", R"({"entries": [], "error": {"errorCode": 131149829}})", false},
      {"comment", page("/* c */" + entry), false},
      {"truncated", page(entry).substr(0, 200), false},
      {"text after the object, which the document reader leaves", page(entry) + " x", true},
      {"lenient grammar", R"({'entries': [{content: )" + lun + "}]}", false},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    bool direct = false;
    EXPECT_EQ(directcheck::LunDisagreement(row.text, direct), "");
    EXPECT_EQ(direct, row.direct);
  }

  // One member changed, in the only element and between two plain ones: elements after the first
  // are matched against the shape of the one before, which this element must fail or pass as the
  // token-by-token reading does.
  struct Member {
    const char* name;
    const char* key;
    const char* member;
    bool direct;
  };
  const Member members[] = {
      {"every member in its place", "", "", true},
      {"absent nullable key", "wwn", "", true},
      {"absent required key", "name", "", false},
      {"null value", "name", R"("name": null)", false},
      {"escaped string", "name", R"("name": "a\"b")", false},
      {"longer text", "name", R"("name": "a longer name than the one before")", true},
      {"blank before a value", "name", R"("name":  "n")", true},
      {"negative", "sizeTotal", R"("sizeTotal": -1)", false},
      {"more digits", "sizeTotal", R"("sizeTotal": 1234567)", true},
      {"fraction", "sizeTotal", R"("sizeTotal": 2.5)", false},
      {"exponent", "sizeTotal", R"("sizeTotal": 1e3)", false},
      {"20 digits", "sizeTotal", R"("sizeTotal": 18446744073709551615)", false},
      {"number as text", "sizeTotal", R"("sizeTotal": "1")", false},
      {"text as number", "id", R"("id": 1)", false},
      {"reference not an object", "storageResource", R"("storageResource": "r")", false},
      {"repeated key, last one counts", "storageResource",
       R"("storageResource": {"id": "r"}, "storageResource": {})", false},
      {"unknown key", "storageResource", R"("storageResource": {"id": "r", "n": [1, "\t"]})", true},
  };
  // Strings passed over that repeat between elements, then change: each element keeps its own
  // record.
  std::string varied;
  const char* const meta[][3] = {{"self", "t1", "a"}, {"self", "t1", "b"}, {"self", "t1", "c"},
                                 {"next", "t1", "d"}, {"self", "t2", "e"}, {"self", "t2", "f"}};
  for (const auto& m : meta) {
    varied += std::string(varied.empty() ? "" : ", ") + R"({"updated": ")" + m[1] +
              R"(", "links": [{"rel": ")" + m[0] + R"("}], )" +
              with("name", std::string(R"("name": ")") + m[2] + "\"").substr(1);
  }
  bool variedDirect = false;
  EXPECT_EQ(directcheck::LunDisagreement(page(varied), variedDirect), "");
  EXPECT_TRUE(variedDirect);

  for (const Member& m : members) {
    SCOPED_TRACE(m.name);
    const std::string changed = with(m.key, m.member);
    const std::string plain = with("", "");
    for (const std::string& text : {page(changed), page(plain + ", " + changed + ", " + plain)}) {
      bool direct = false;
      EXPECT_EQ(directcheck::LunDisagreement(text, direct), "") << text;
      EXPECT_EQ(direct, m.direct) << text;
    }
  }

  // Snapshots: absent nullable keys, and the objects on their paths, log as the document does.
  const std::string snap = R"("id": "1", "name": "s", "storageResource": {"id": "r"}, )"
                           R"("isModifiable": true)";
  const Row snapRows[] = {
      {"snapshot without its nullable keys", page(R"({"content": {)" + snap + "}}"), true},
      {"snapshot with both",
       page(R"({"content": {)" + snap + R"(, "lun": {"id": "sv_1"}, "attachedWWN": "w"}})"), true},
      {"reference without its key", page(R"({"content": {)" + snap + R"(, "lun": {}}})"), true},
      {"null reference", page(R"({"content": {)" + snap + R"(, "lun": null}})"), false},
      {"flag as a number", page(R"({"content": {"id": "1", "name": "s", "isModifiable": 1}})"),
       false},
      {"host access, read from 5.0 on",
       page(R"({"content": {)" + snap +
            R"(, "hostAccess": [{"host": {"id": "Host_1"}, )"
            R"("allowedAccess": 1}]}}, {"content": {)" +
            snap + R"(, "hostAccess": []}})"),
       true},
  };
  for (const Row& row : snapRows) {
    SCOPED_TRACE(row.name);
    bool direct = false;
    EXPECT_EQ(directcheck::SnapshotDisagreement(row.text, "4.0", direct), "");
    EXPECT_EQ(direct, row.direct);
    EXPECT_EQ(directcheck::SnapshotDisagreement(row.text, "5.0", direct), "");
    EXPECT_EQ(direct, row.direct);
  }
}

}  // namespace
