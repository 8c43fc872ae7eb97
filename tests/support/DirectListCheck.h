// Reads a text as one page of a LUN listing and of a snapshot listing, twice each: as the request
// road reads a page it announced (the records straight from the text when the page is plainly
// written) and from the document alone. Used by the unit tests and the answer fuzzer: both
// readings must agree in everything a caller and a log reader see. Header-only, without
// GoogleTest, so the fuzzer can use it.
#pragma once

#include <string>
#include <vector>

#include "json/jsondoc.h"
#include "platform/DiagLog.h"
#include "unity/messages/InventoryMessages.h"
#include "unity/messages/SnapshotMessages.h"

namespace directcheck {

// A listing message that tells whether a page's records were read from its text: its document
// then has no entries.
template <typename Message>
class Probe : public Message {
 public:
  bool readDirectly(const std::string& page) {
    bool ok = false;
    jsondoc::Object& answer = this->ParsedAnswer(page, ok);
    return ok && answer.template has<jsondoc::Array>("entries") &&
           answer.template get<jsondoc::Array>("entries").empty();
  }
};

inline std::string Text(const _UnityLunListEntry& l) {
  return l.id + "|" + l.name + "|" + l.wwn + "|" + l.storageResourceId + "|" +
         std::to_string(l.sizeTotal) + "|" + std::to_string(l.sizeAllocated);
}
inline std::string Text(const _UnitySnapInfo& s) {
  return std::to_string(s.snapId) + "|" + s.name + "|" + s.storageResourceId + "|" +
         (s.isModifiable ? "rw" : "ro") + "|" + s.lunId + "|" + s.attachedWWN + "|" +
         std::to_string(s.hostAccess.size());
}

// Everything a caller and a log reader see of one reading, as text; `direct` tells whether the
// records came from the text.
template <typename Message, typename Init, typename Take>
std::string Reading(const std::string& text, bool announce, bool& direct, Init init, Take take) {
  DiagLogCapture capture(7);
  Probe<Message> message;
  init(message);
  std::string body;
  message.BuildRequest(body);
  std::string page = text;
  if (announce) message.ExpectAnswer(page);
  const bool ok = message.ParseResponse(page);
  const auto records = take(message);
  direct = announce && ok && !records.empty() && message.readDirectly(page);
  message.ParseNextURI(page);
  unsigned long long code = 0;
  std::string error;
  message.getError(code, error);
  std::string seen = std::string(ok ? "ok" : "failed") + (message.isSuccess() ? " success" : "") +
                     " [" + std::to_string(code) + "] " + error + " next " + message.GetNextURI();
  for (const auto& record : records) seen += "\nrecord " + Text(record);
  for (const DiagLogRecord& r : capture.records()) {
    seen += "\nlog " + std::to_string(r.level) + " " + r.tag + ": " + r.text;
  }
  return seen;
}

// Empty when both readings agree, else both of them.
template <typename Message, typename Init, typename Take>
std::string Compare(const std::string& text, bool& direct, Init init, Take take) {
  bool unused = false;
  const std::string announced = Reading<Message>(text, true, direct, init, take);
  const std::string documentOnly = Reading<Message>(text, false, unused, init, take);
  if (announced == documentOnly) return std::string();
  return "announced:\n" + announced + "\ndocument only:\n" + documentOnly;
}

// The LUN listing's page.
inline std::string LunDisagreement(const std::string& text, bool& direct) {
  return Compare<EMCUnityJsonListLuns>(
      text, direct,
      [](EMCUnityJsonListLuns& m) {
        m.Init(42, "5.0");
        m.Initialize("unity.example.com", "");
      },
      [](EMCUnityJsonListLuns& m) {
        std::vector<_UnityLunListEntry> luns;
        m.TakeList(luns);
        return luns;
      });
}

// The snapshot listing's page by ids, at an API version with and without host access.
inline std::string SnapshotDisagreement(const std::string& text, const char* version,
                                        bool& direct) {
  return Compare<EMCUnityJsonGetSnapshotList>(
      text, direct,
      [version](EMCUnityJsonGetSnapshotList& m) {
        m.Init(42, version);
        m.Initialize("unity.example.com", std::vector<unsigned long long>{1, 2}, false);
      },
      [](EMCUnityJsonGetSnapshotList& m) {
        std::vector<_UnitySnapInfo> snaps;
        m.TakeSnapList(snaps);
        return snaps;
      });
}

}  // namespace directcheck
