#pragma once
// GET of collections and instances: filter, order, page, project and wrap in the array's
// envelopes. Caller holds the model lock.

#include "sim/Api.h"
#include "sim/Json.h"

namespace unitysim {

class ObjectModel;
struct TypeSpec;

Json listCollection(ObjectModel& model, const TypeSpec& typeDef, const ApiRequest& req,
                    const ListingOptions& options);

// `object` is the stored instance; onInstanceRead has already run.
Json getInstance(ObjectModel& model, const TypeSpec& typeDef, const Json& object,
                 const ApiRequest& req);

// {"@base": base, "updated": .., "links": [{"rel": "self", "href": "/<id>"}], "content": ..}
Json instanceEnvelope(const std::string& base, const std::string& selfId, Json content,
                      const std::string& updated);

// True for "true" and the other boolean spellings, and for a bare parameter ("&compact").
bool flagParam(const RequestTarget& target, const std::string& name);

}  // namespace unitysim
