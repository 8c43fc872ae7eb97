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

#include <algorithm>
#include <cstddef>
#include <utility>

#include "json/jsondoc.h"
#include "unity/messages/EMCUnityJsonBase.h"

namespace list_response_detail {
// Room for a page's records at once in a container that can reserve; pages after the first still
// grow it geometrically.
template <typename Container>
auto MakeRoom(Container& out, std::size_t count, int)
    -> decltype(out.reserve(count), out.capacity(), void()) {
  const std::size_t wanted = out.size() + count;
  if (wanted > out.capacity()) out.reserve(std::max(wanted, 2 * out.capacity()));
}
template <typename Container>
void MakeRoom(Container&, std::size_t, long) {}

}  // namespace list_response_detail

template <typename Container, typename ReadRecord>
bool EMCUnityJsonBase::ParseListResponse(std::string& response, Container& out,
                                         ReadRecord readRecord, const UnityListOptions& options) {
  typedef typename Container::value_type Record;
  return ParseListElements(
      response,
      [&](jsondoc::Object* content) {
        if (content == nullptr) {
          if (!options.skipElementsWithoutContent) out.emplace_back();
          return true;
        }
        // Read in place; a record that cannot be read is taken back out.
        Record& record = out.emplace_back();
        if (readRecord(*content, record)) return true;
        out.pop_back();
        return false;
      },
      options, [&out](std::size_t count) { list_response_detail::MakeRoom(out, count, 0); });
}
