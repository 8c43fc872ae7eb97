// Reads a text as a LUN and a snapshot list page, each as the request road reads a page it
// announced (records from the text when plainly written) and from the document alone: both must
// agree in all a caller and a log reader see. Header-only, for the unit tests and the fuzzer.
#pragma once

#include <string>
#include <vector>

#include "json/jsondoc.h"
#include "platform/DiagLog.h"
#include "unity/messages/InventoryMessages.h"
#include "unity/messages/SnapshotMessages.h"

namespace directcheck {

inline std::string Text(const _UnityLunListEntry& l) {
  return l.id + "|" + l.name + "|" + l.wwn + "|" + l.storageResourceId + "|" +
         std::to_string(l.sizeTotal) + "|" + std::to_string(l.sizeAllocated);
}
inline std::string Text(const _UnitySnapInfo& s) {
  return std::to_string(s.snapId) + "|" + s.name + "|" + s.storageResourceId + "|" +
         std::to_string(s.isModifiable) + "|" + s.lunId + "|" + s.attachedWWN + "|" +
         std::to_string(s.hostAccess.size());
}

// All one reading shows with the log lines up to `level` kept; `direct`: the records came from the
// text (the document has no entries).
template <typename Message, typename Init, typename Take>
std::string Reading(const std::string& text, bool announce, int level, bool& direct, Init init,
                    Take take) {
  struct Probe : Message {
    using Message::ParsedAnswer;
  } message;
  DiagLogCapture capture(level);
  init(message);
  std::string body, page = text, error;
  message.BuildRequest(body);
  if (announce) message.ExpectAnswer(page);
  const bool ok = message.ParseResponse(page);
  const auto records = take(message);
  bool parsed = false;
  jsondoc::Object& answer = message.ParsedAnswer(page, parsed);
  direct = announce && ok && !records.empty() && answer.template has<jsondoc::Array>("entries") &&
           answer.template get<jsondoc::Array>("entries").empty();
  message.ParseNextURI(page);
  unsigned long long code = 0;
  message.getError(code, error);
  std::string seen = std::string(ok ? "ok" : "failed") + (message.isSuccess() ? " success" : "") +
                     " [" + std::to_string(code) + "] " + error + " next " + message.GetNextURI();
  for (const auto& record : records) seen += "\nrecord " + Text(record);
  for (const DiagLogRecord& r : capture.records()) {
    seen += "\nlog " + std::to_string(r.level) + " " + r.tag + ": " + r.text;
  }
  return seen;
}

// Empty when both readings agree, else both of them. They are compared with every log line kept,
// and with those of absent keys (levels 3 and 5) dropped, which the reading from the text skips.
template <typename Message, typename Init, typename Take>
std::string Compare(const std::string& text, bool& direct, Init init, Take take) {
  bool unused = false;
  for (const int level : {7, 2}) {
    const std::string announced = Reading<Message>(text, true, level, direct, init, take);
    const std::string documentOnly = Reading<Message>(text, false, level, unused, init, take);
    if (announced != documentOnly) {
      return "level " + std::to_string(level) + " announced:\n" + announced + "\ndocument:\n" +
             documentOnly;
    }
  }
  return std::string();
}

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

// By ids, at an API version below 5.0 or from 5.0 on (with host access).
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
