#include <gtest/gtest.h>

#include "SimClient.h"

namespace {

using simtest::Reply;
using simtest::SimClient;
using unitysim::Json;

// 2 105 snapshots: more than one default page.
class PagingTest : public ::testing::Test {
 protected:
  void SetUp() override {
    unitysim::SimOptions o;
    o.seed = R"({"storageResource": [{"id": "sv_1", "name": "L", "type": 8}]})";
    sim_ = std::make_unique<unitysim::Simulator>(o);
    for (int i = 0; i < 2105; ++i)
      sim_->model().add("snap", Json{{"name", "s" + std::to_string(i)},
                                     {"storageResource", Json{{"id", "sv_1"}}}});
    sim_->start();
    client_ = std::make_unique<SimClient>(*sim_);
    ASSERT_EQ(client_->login().status, 200);
  }
  Json page(const std::string& query) {
    const Reply r = client_->get("/api/types/snap/instances?" + query);
    EXPECT_EQ(r.status, 200) << r.body;
    return r.json();
  }
  static std::vector<std::string> rels(const Json& j) {
    std::vector<std::string> out;
    for (const auto& l : j["links"])
      out.push_back(l["rel"].get<std::string>() + l["href"].get<std::string>());
    return out;
  }
  std::unique_ptr<unitysim::Simulator> sim_;
  std::unique_ptr<SimClient> client_;
};

using Links = std::vector<std::string>;

TEST_F(PagingTest, DefaultPageHolds2000) {
  const Json first = page("fields=name");
  EXPECT_EQ(first["entries"].size(), 2000u);
  EXPECT_EQ(rels(first), Links({"self&page=1", "next&page=2"}));
  const Json second = page("fields=name&page=2");
  EXPECT_EQ(second["entries"].size(), 105u);
  EXPECT_EQ(rels(second), Links({"self&page=2", "first&page=1", "prev&page=1"}));
  EXPECT_EQ(second["entries"][0]["content"]["name"], "s2000");
}

TEST_F(PagingTest, PerPageIsCappedAt2000AndTheDefaultConfigurable) {
  const Json j = page("per_page=5000");
  EXPECT_EQ(j["entries"].size(), 2000u);
  EXPECT_NE(j["@base"].get<std::string>().find("per_page=2000"), std::string::npos);
  sim_->setPageSize(500);
  EXPECT_EQ(page("")["entries"].size(), 500u);
  EXPECT_EQ(page("per_page=600")["entries"].size(), 600u);
}

TEST_F(PagingTest, MiddlePageWithEntryCountAndPastTheEnd) {
  const Json j = page("per_page=100&page=3&with_entrycount=true&compact=true");
  EXPECT_EQ(j["entryCount"], 2105);
  EXPECT_EQ(rels(j),
            Links({"self&page=3", "first&page=1", "prev&page=2", "next&page=4", "last&page=22"}));
  EXPECT_EQ(j["entries"].size(), 100u);
  EXPECT_EQ(j["entries"][0], Json({{"content", {{"id", j["entries"][0]["content"]["id"]}}}}));
  EXPECT_EQ(
      j["@base"],
      sim_->baseUrl() + "/api/types/snap/instances?with_entrycount=true&per_page=100&compact=true");

  const Json past = page("per_page=1000&page=9");
  EXPECT_EQ(past["entries"], Json::array());
  EXPECT_EQ(rels(past), Links({"self&page=9", "first&page=1", "prev&page=3"}));
}

TEST_F(PagingTest, FollowingNextLinksVisitsEveryEntryOnce) {
  // As a client does: @base + the next link's href, spaces as "+".
  std::string target =
      "/api/types/snap/instances?fields=name&filter=name%20lk%20%22s1%25%22&per_page=300";
  size_t seen = 0, pages = 0;
  while (!target.empty() && pages < 10) {
    const Json j = client_->get(target).json();
    ++pages;
    seen += j["entries"].size();
    target.clear();
    for (const auto& l : j["links"])
      if (l["rel"] == "next") {
        std::string next = j["@base"].get<std::string>() + l["href"].get<std::string>();
        for (char& c : next)
          if (c == ' ') c = '+';
        target = next.substr(sim_->baseUrl().size());
      }
  }
  EXPECT_EQ(seen, 1111u);  // s1, s10..s19, s100..s199, s1000..s1999
  EXPECT_EQ(pages, 4u);
}

TEST_F(PagingTest, OrderBy) {
  const Json j = page("fields=name&orderby=name%20desc&per_page=2");
  EXPECT_EQ(j["entries"][0]["content"]["name"], "s999");
  EXPECT_EQ(j["entries"][1]["content"]["name"], "s998");
}

}  // namespace
