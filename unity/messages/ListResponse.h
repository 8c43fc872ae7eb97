// The list-answer parsing shared by every query message. A query message declares its keys in a
// static table and reads one record per element:
//
//   const UnityFieldKey kKeys[] = {{"id", kRequiredKey}, {"lun.id", kNullableKey}};
//   BuildRequest:      SetFieldKeys(kKeys); MakeURI(nextURI, query); LogRequest(tag, body);
//   InitNullableKeys:  MarkNullableKeys(kKeys);
//   ParseResponse:     return ParseListResponse(response, list,
//                          [this](jsondoc::Object&, Record& r) {
//                            return ReadField("id", r.id) && (ReadField("lun.id", r.lunId), true);
//                          });
#pragma once

#include <utility>

#include "json/jsondoc.h"
#include "unity/messages/EMCUnityJsonBase.h"

template <typename Container, typename ReadRecord>
bool EMCUnityJsonBase::ParseListResponse(std::string& response, Container& out,
                                         ReadRecord readRecord, const UnityListOptions& options) {
  typedef typename Container::value_type Record;
  return ParseListElements(
      response,
      [&](jsondoc::Object* content) {
        Record record{};
        if (content == nullptr) {
          if (!options.skipElementsWithoutContent) out.push_back(record);
          return true;
        }
        if (!readRecord(*content, record)) return false;
        out.push_back(std::move(record));
        return true;
      },
      options);
}
