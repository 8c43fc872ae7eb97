#include "sim/Args.h"
#include "sim/Errors.h"
#include "sim/Jobs.h"
#include "sim/ObjectModel.h"
#include "sim/Resources.h"

namespace unitysim {
namespace {

void defineEmbedded(ObjectModel& model) {
  TypeSpec health;
  health.name = "health";
  health.resource = false;
  values(health, {"value", "descriptionIds", "descriptions", "resolutionIds", "resolutions"});
  model.define(health);

  TypeSpec message;
  message.name = "message";
  message.resource = false;
  values(message,
         {"errorCode", "httpStatusCode", "messages", "created", "severity", "messageArgs"});
  model.define(message);
}

void defineBasicSystemInfo(ObjectModel& model) {
  TypeSpec t;
  t.name = "basicSystemInfo";
  t.anonymous = true;
  t.byName = true;
  values(t, {"model", "name", "softwareVersion", "softwareFullVersion", "apiVersion",
             "earliestApiVersion"});
  model.define(t);
}

void defineSystem(ObjectModel& model) {
  TypeSpec t;
  t.name = "system";
  t.byName = true;
  values(t, {"name", "model", "serialNumber", "platform", "internalModel", "macAddress",
             "isAllFlash", "isEULAAccepted", "isUpgradeComplete", "isAutoFailbackEnabled",
             "currentPower", "avgPower", "supportedUpgradeModels"});
  embedded(t, "health", "health");
  model.define(t);
}

void defineLoginSessionInfo(ObjectModel& model) {
  TypeSpec t;
  t.name = "loginSessionInfo";
  values(t, {"domain", "idleTimeout", "isPasswordChangeRequired"});
  reference(t, "user", "user");
  references(t, "roles", "role");
  // "true" ends this session only; "false" or absent ends the single-sign-on session. Every
  // login here has a ticket of its own, so both end the caller's session.
  ActionSpec logout;
  logout.args = {{"localCleanupOnly", ArgKind::Boolean}};
  logout.run = [](ActionContext& ctx) {
    ActionResult r;
    r.endSession = true;
    r.endAllSessions = !argBool(ctx.args, "localCleanupOnly", false);
    return r;
  };
  t.typeActions["logout"] = logout;
  model.define(t);
}

void defineJob(ObjectModel& model) {
  TypeSpec t;
  t.name = "job";
  t.idPrefix = "N-";
  t.idFloor = 100;
  values(t, {"name",
             "description",
             "state",
             "stateChangeTime",
             "submitTime",
             "startTime",
             "endTime",
             "elapsedTime",
             "estRemainTime",
             "progressPct",
             "tasks",
             "parametersOut",
             "isJobCancelable",
             "isJobCancelled",
             "clientData",
             "affectedResource",
             "methodName",
             "owner",
             "requestId",
             "instanceId"});
  embedded(t, "messageOut", "message");
  t.onInstanceRead = [](ObjectModel&, Json& job, SimClock::TimePoint now) {
    Jobs::advance(job, now);
  };
  // Only finished jobs can be deleted.
  ActionSpec remove;
  remove.run = [](ActionContext& ctx) {
    const Json* job = ctx.model.get("job", ctx.id);
    const int state = job ? job->value("state", 0) : 0;
    if (state == 1 || state == 2 || state == 3 || state == 6)
      throw ApiError(409, code::kInvalidState, "The job has not finished.");
    ctx.model.remove("job", ctx.id);
    return ActionResult::noContent();
  };
  t.remove = remove;
  model.define(t);
}

}  // namespace

void defineSystemTypes(ObjectModel& model) {
  defineEmbedded(model);
  defineBasicSystemInfo(model);
  defineSystem(model);
  defineLoginSessionInfo(model);
  defineJob(model);
}

void defineAllTypes(ObjectModel& model) {
  defineSystemTypes(model);
  defineStorageTypes(model);
  defineReplicationTypes(model);
  defineBlockTypes(model);
  defineFileTypes(model);
  defineHostTypes(model);
  defineShareTypes(model);
}

void recordLogin(ObjectModel& model, const std::string& user, long idleTimeoutSeconds) {
  auto guard = model.lock();
  Json info = {{"id", user},
               {"domain", "local"},
               {"user", Json{{"id", "user_" + user}}},
               {"roles", Json::array({Json{{"id", "administrator"}}})},
               {"idleTimeout", idleTimeoutSeconds},
               {"isPasswordChangeRequired", false}};
  if (!model.update("loginSessionInfo", user, [&](Json& o) { o = info; }))
    model.add("loginSessionInfo", info);
}

std::string isoTimeIn(SimClock::TimePoint now, long long seconds) {
  return isoTime(now + std::chrono::seconds(seconds));
}

}  // namespace unitysim
