// Reads a text as one page of a LUN listing twice: as the request road reads a page it announced
// (the records straight from the text when the page is plainly written) and from the document
// alone. Used by the unit tests and the answer fuzzer: both readings must agree in everything a
// caller and a log reader see. Header-only, without GoogleTest, so the fuzzer can use it.
#pragma once

#include <string>
#include <vector>

#include "json/jsondoc.h"
#include "platform/DiagLog.h"
#include "unity/messages/InventoryMessages.h"

namespace directcheck {

class LunPage : public EMCUnityJsonListLuns {
 public:
  // True when the page's records were read from its text: its document then has no entries.
  bool readDirectly(const std::string& page) {
    bool ok = false;
    jsondoc::Object& answer = ParsedAnswer(page, ok);
    return ok && answer.has<jsondoc::Array>("entries") &&
           answer.get<jsondoc::Array>("entries").empty() && readSome_;
  }
  bool readSome_ = false;
};

// Everything a caller and a log reader see of one reading, as text.
inline std::string Reading(const std::string& text, bool announce, bool& direct) {
  DiagLogCapture capture(7);
  LunPage message;
  message.Init(42, "5.0");
  message.Initialize("unity.example.com", "");
  std::string body;
  message.BuildRequest(body);
  std::string page = text;
  if (announce) message.ExpectAnswer(page);
  const bool ok = message.ParseResponse(page);
  std::vector<_UnityLunListEntry> luns;
  message.TakeList(luns);
  message.readSome_ = !luns.empty();
  direct = announce && ok && message.readDirectly(page);
  message.ParseNextURI(page);
  unsigned long long code = 0;
  std::string error;
  message.getError(code, error);
  std::string seen = std::string(ok ? "ok" : "failed") + (message.isSuccess() ? " success" : "") +
                     " [" + std::to_string(code) + "] " + error + " next " + message.GetNextURI();
  for (const _UnityLunListEntry& l : luns) {
    seen += "\nrecord " + l.id + "|" + l.name + "|" + l.wwn + "|" + l.storageResourceId + "|" +
            std::to_string(l.sizeTotal) + "|" + std::to_string(l.sizeAllocated);
  }
  for (const DiagLogRecord& r : capture.records()) {
    seen += "\nlog " + std::to_string(r.level) + " " + r.tag + ": " + r.text;
  }
  return seen;
}

// Empty when both readings agree, else both of them.
inline std::string Disagreement(const std::string& text, bool& direct) {
  bool unused = false;
  const std::string announced = Reading(text, true, direct);
  const std::string documentOnly = Reading(text, false, unused);
  if (announced == documentOnly) return std::string();
  return "announced:\n" + announced + "\ndocument only:\n" + documentOnly;
}

}  // namespace directcheck
