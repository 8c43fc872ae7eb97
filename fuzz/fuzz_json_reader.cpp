// libFuzzer harness for the JSON reader and writer. For each input, as a value and as an object:
// the in-memory and the std::istream entry points must agree, a copy of a document that reads
// must write the same text, and that text must read back and after one more round write the same
// again. A failed check aborts.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>

#include "json/jsondoc.h"

namespace {

template <class T>
std::string Write(const T& doc) {
  std::stringstream out;
  out << doc;
  return out.str();
}

void Fail(const char* what, const std::string& text) {
  std::fprintf(stderr, "fuzz_json_reader: %s (%zu bytes)\n", what, text.size());
  std::abort();
}

template <class T>
void Check(const std::string& text) {
  T fast;
  const bool ok = fast.parse(text);
  const std::string written = Write(fast);

  std::istringstream in(text);
  T slow;
  if (T::parse(in, slow) != ok || Write(slow) != written) {
    Fail("text and stream readers disagree", text);
  }
  if (!ok) return;
  const T copy(fast);  // a deep copy out of the document's arena writes the same text
  if (Write(copy) != written) Fail("a copy writes another text", text);

  // A byte that is not valid UTF-8 is written as "\u00xx" and reads back as that code point in
  // UTF-8, so the text may change once; from then on it reads back to itself.
  T again;
  if (!again.parse(written)) Fail("written text does not read back", written);
  const std::string rewritten = Write(again);
  T third;
  if (!third.parse(rewritten)) Fail("rewritten text does not read back", rewritten);
  if (Write(third) != rewritten) Fail("text changed on the third write", rewritten);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  Check<jsondoc::Value>(text);
  Check<jsondoc::Object>(text);
  return 0;
}
