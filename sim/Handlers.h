#pragma once
// The REST operations on the object model: routes /api/types/... and /api/instances/... to the
// type's listing, instance query, create, delete and actions, runs them synchronously or as
// background jobs, and wraps the result in the array's envelopes. Failures become the error
// envelope; nothing is thrown.

#include "sim/Api.h"

namespace unitysim {

class ObjectModel;
class Jobs;

class Handlers {
 public:
  Handlers(ObjectModel& model, Jobs& jobs) : model_(model), jobs_(jobs) {}

  // Thread-safe: both take the model lock, as handle() does.
  void setOptions(const ListingOptions& o);
  ListingOptions options() const;

  // Takes the model lock for the whole request.
  ApiAnswer handle(const ApiRequest& req);

  // The type a target addresses ("" when the path is not a REST resource path).
  static std::string typeOf(const RequestTarget& target);

 private:
  ApiAnswer dispatch(const ApiRequest& req);

  ObjectModel& model_;
  Jobs& jobs_;
  ListingOptions options_;
};

}  // namespace unitysim
