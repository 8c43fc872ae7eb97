#include <gtest/gtest.h>

#include <chrono>
#include <functional>

#include "SimClient.h"
#include "sim/Errors.h"

namespace {

using simtest::Reply;
using unitysim::Fault;
using unitysim::Json;

constexpr const char* kSystem = "/api/types/system/instances?fields=serialNumber";

struct FaultCase {
  const char* name;
  std::function<Fault()> make;
  std::function<void(const Reply&)> check;
};

class FaultTest : public simtest::LoggedInTest, public ::testing::WithParamInterface<FaultCase> {};
using FaultRules = simtest::LoggedInTest;

TEST_P(FaultTest, NextAnswerMisbehavesThenServiceResumes) {
  sim_.faults().add(GetParam().make());
  const Reply faulty = client_.get(kSystem);
  GetParam().check(faulty);
  EXPECT_EQ(sim_.faults().pending(), 0u);
  EXPECT_EQ(sim_.journal().last().fault.empty(), false);

  const Reply normal = client_.get(kSystem);
  EXPECT_EQ(normal.code, CURLE_OK);
  EXPECT_EQ(normal.status, 200);
  EXPECT_EQ(normal.json()["entries"][0]["content"]["serialNumber"], "CKM00213300417");
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, FaultTest,
    ::testing::Values(
        FaultCase{"ServiceUnavailable", [] { return Fault::httpStatus(503); },
                  [](const Reply& r) {
                    EXPECT_EQ(r.status, 503);
                    EXPECT_EQ(r.json()["error"]["httpStatusCode"], 503);
                  }},
        FaultCase{"UnauthorizedWithoutBody", [] { return Fault::httpStatus(401, false); },
                  [](const Reply& r) {
                    EXPECT_EQ(r.status, 401);
                    EXPECT_EQ(r.body, "");
                  }},
        FaultCase{
            "ErrorWithCode",
            [] { return Fault::error(500, 0x7d13005, "The requested resource does not exist."); },
            [](const Reply& r) {
              EXPECT_EQ(r.status, 500);
              EXPECT_EQ(r.errorCode(), 0x7d13005u);
              EXPECT_EQ(r.json()["error"]["messages"][0]["en-US"],
                        "The requested resource does not exist. (Error Code:0x7d13005)");
            }},
        FaultCase{"RawBody", [] { return Fault::body(200, "<html>maintenance</html>"); },
                  [](const Reply& r) {
                    EXPECT_EQ(r.status, 200);
                    EXPECT_EQ(r.body, "<html>maintenance</html>");
                  }},
        FaultCase{"MalformedJson", [] { return Fault::malformed(); },
                  [](const Reply& r) {
                    EXPECT_EQ(r.code, CURLE_OK);
                    EXPECT_EQ(r.status, 200);
                    EXPECT_FALSE(r.body.empty());
                    EXPECT_TRUE(r.json().is_discarded()) << r.body;
                  }},
        FaultCase{"TruncatedTransfer", [] { return Fault::truncated(); },
                  [](const Reply& r) {
                    EXPECT_TRUE(r.code == CURLE_PARTIAL_FILE || r.code == CURLE_RECV_ERROR)
                        << curl_easy_strerror(r.code);
                  }},
        // libcurl resends once when a reused connection closes before answering, so two drops.
        FaultCase{"DroppedConnection", [] { return Fault::drop().times(2); },
                  [](const Reply& r) {
                    EXPECT_TRUE(r.code == CURLE_GOT_NOTHING || r.code == CURLE_RECV_ERROR ||
                                r.code == CURLE_SEND_ERROR)
                        << curl_easy_strerror(r.code);
                  }},
        FaultCase{"NoCsrfHeader", [] { return Fault::noCsrf(); },
                  [](const Reply& r) {
                    EXPECT_EQ(r.status, 200);
                    EXPECT_EQ(r.header("EMC-CSRF-TOKEN"), "");
                  }},
        FaultCase{"Delay", [] { return Fault::delayed(std::chrono::milliseconds(30)); },
                  [](const Reply& r) { EXPECT_EQ(r.status, 200); }}),
    [](const auto& row) { return std::string(row.param.name); });

TEST_F(FaultRules, MatchMethodAndPathAndCount) {
  sim_.faults().add(Fault::httpStatus(500).on("POST", "/api/instances/snap/").times(2));
  EXPECT_EQ(client_.get("/api/instances/snap/38654705846").status, 200);
  const std::string copy = "/api/instances/snap/38654705846/action/copy";
  EXPECT_EQ(client_.post(copy, R"({"copyName": "a"})").status, 500);
  EXPECT_EQ(client_.post(copy, R"({"copyName": "a"})").status, 500);
  EXPECT_EQ(sim_.model().count("snap"), 7u);  // a status fault does not run the request
  EXPECT_EQ(client_.post(copy, R"({"copyName": "a"})").status, 200);

  const auto entries = sim_.journal().matching("POST", "/api/instances/snap/");
  ASSERT_EQ(entries.size(), 3u);
  EXPECT_EQ(entries[0].fault, "status");
  EXPECT_EQ(entries[0].status, 500);
  EXPECT_EQ(entries[2].fault, "");
  EXPECT_EQ(entries[2].body, R"({"copyName": "a"})");
}

TEST_F(FaultRules, DropOnReusedConnectionIsResentByLibcurl) {
  sim_.faults().add(Fault::drop());
  EXPECT_EQ(client_.get(kSystem).status, 200);
  const auto entries = sim_.journal().entries();
  ASSERT_EQ(entries.size(), 3u);
  EXPECT_EQ(entries[1].fault, "drop");
  EXPECT_EQ(entries[1].status, 0);
  EXPECT_EQ(entries[2].target, entries[1].target);
  EXPECT_EQ(sim_.handshakeCount(), 2);
}

// A 204 answer has no body to break: a body sent after it would stay on the connection and be
// read as the start of the next answer.
TEST_F(FaultRules, BodyFaultsLeaveANoContentAnswerWhole) {
  for (const Fault& fault : {Fault::malformed(), Fault::truncated()}) {
    SCOPED_TRACE(unitysim::faultName(fault.kind));
    sim_.faults().add(Fault(fault).on("POST"));
    EXPECT_EQ(client_.post("/api/instances/snap/38654705846/action/replicate", "{}").status, 204);
    const Reply next = client_.get(kSystem);
    EXPECT_EQ(next.code, CURLE_OK);
    EXPECT_EQ(next.status, 200);
  }
}

// The hazard of that resend: a POST the array carried out is sent again.
TEST_F(FaultRules, DropAfterWorkMakesLibcurlRepeatThePost) {
  sim_.faults().add(Fault::dropAfterWork().on("POST"));
  const Reply r = client_.post("/api/types/snap/instances",
                               R"({"storageResource": {"id": "sv_2"}, "name": "once"})");
  EXPECT_EQ(r.status, 409);  // the resend meets the snapshot the first send created
  EXPECT_EQ(r.errorCode(), unitysim::code::kDuplicateName);
  EXPECT_EQ(sim_.journal().matching("POST", "/api/types/snap").size(), 2u);
  EXPECT_EQ(sim_.model().count("snap"), 8u);
}

}  // namespace
