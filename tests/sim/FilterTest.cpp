#include <gtest/gtest.h>

#include "sim/Filter.h"
#include "sim/ObjectModel.h"
#include "sim/Resources.h"

namespace {

using unitysim::Filter;
using unitysim::FilterError;
using unitysim::Json;

// Filters evaluated against the default seed's snapshots; each row names the ids it must select.
struct FilterCase {
  const char* name;
  const char* filter;
  std::vector<std::string> ids;
};

class FilterTest : public ::testing::TestWithParam<FilterCase> {
 protected:
  static void SetUpTestSuite() {
    model_ = new unitysim::ObjectModel;
    unitysim::defineAllTypes(*model_);
    model_->seed(Json::parse(unitysim::defaultSeedText()));
  }
  static void TearDownTestSuite() { delete model_; }

  static std::vector<std::string> select(const std::string& text) {
    const Filter f = Filter::parse(text);
    std::vector<std::string> ids;
    auto guard = model_->lock();
    model_->forEach("snap", [&](const Json& o) {
      if (f.matches([&](const unitysim::AttributePath& p, std::vector<const Json*>& out) {
            model_->resolve("snap", o, p, out);
          }))
        ids.push_back(o["id"].get<std::string>().substr(8));
      return true;
    });
    return ids;
  }
  static unitysim::ObjectModel* model_;
};
unitysim::ObjectModel* FilterTest::model_ = nullptr;

// The library's own filters (ids, case-insensitive names, references, list elements, several hops)
// are proven on the wire; these are other forms a REST client may send. Seed snapshots (last three
// digits): 846, 847 (attached) on sv_1; 848 on sv_2; 849 on the file system res_1.
TEST_P(FilterTest, Selects) {
  EXPECT_EQ(select(GetParam().filter), GetParam().ids);
}

INSTANTIATE_TEST_SUITE_P(
    Evaluator, FilterTest,
    ::testing::Values(
        FilterCase{"IdBareNumber", "id eq 38654705847", {"847"}},
        FilterCase{
            "AndBindsTighter",
            R"(storageResource.id eq "sv_2" or storageResource.id eq "sv_1" and isAutoDelete eq false)",
            {"847", "848"}},
        FilterCase{"In", R"(storageResource.id in ("sv_2", "RES_1"))", {"848", "849"}}),
    [](const auto& row) { return std::string(row.param.name); });

TEST(FilterSyntax, MalformedFiltersAreRejected) {
  for (const char* bad : {"", "id eq \"1", "(id eq \"1\"", "id foo \"1\"", "id eq \"1\" or",
                          "id in ()", "id eq 12ab", "id eq \"1\" id eq \"2\"", "a..b eq 1"}) {
    EXPECT_THROW(Filter::parse(bad), FilterError) << bad;
  }
  std::string deep(200, '(');
  deep += "id eq 1" + std::string(200, ')');
  EXPECT_THROW(Filter::parse(deep), FilterError);
}

TEST(FilterSyntax, CandidateIdsOnlyWhenIdsBoundTheResult) {
  using Ids = std::vector<std::string>;
  EXPECT_EQ(Filter::parse(R"((id eq "2") OR (id eq "1"))").candidateIds(), Ids({"1", "2"}));
  EXPECT_EQ(Filter::parse(R"(id in ("1", 2) and name eq "x")").candidateIds(), Ids({"1", "2"}));
  EXPECT_FALSE(Filter::parse(R"(id eq "1" or name eq "x")").candidateIds());
  EXPECT_FALSE(Filter::parse(R"(not id eq "1")").candidateIds());
}

}  // namespace
