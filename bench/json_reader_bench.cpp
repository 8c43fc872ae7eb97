// Reader and writer throughput on a ~1 MB snapshot list answer. The in-memory entry point
// Object::parse(const String&) is measured against the std::istream entry point on the same text
// (the baseline: a string stream wrapped around the answer), and the writer on the parsed document.
// Times are processor time; each parse includes destroying the previous document.
//
// Usage: json_reader_bench [iterations]   (build with CMAKE_BUILD_TYPE=Release to measure)
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>

#include <time.h>

#include "json/jsondoc.h"

namespace {

std::string Answer(std::size_t target_bytes) {
  std::string text =
      "{\"@base\":\"https://10.244.223.61/api/types/snap/instances?per_page=2000\","
      "\"updated\":\"2024-05-01T10:15:22.497Z\",\"links\":[{\"rel\":\"self\",\"href\":\"&page=1\"},"
      "{\"rel\":\"next\",\"href\":\"&page=2\"}],\"entries\":[";
  char entry[1024];
  for (unsigned long long i = 0; text.size() < target_bytes; ++i) {
    std::snprintf(entry, sizeof entry,
                  "%s{\"@base\":\"https://10.244.223.61/api/instances/snap\","
                  "\"updated\":\"2024-05-01T10:15:22.497Z\","
                  "\"links\":[{\"rel\":\"self\",\"href\":\"/%llu\"}],"
                  "\"content\":{\"id\":\"%llu\",\"name\":\"snap_backup_job_%llu_2024-05-01\","
                  "\"storageResource\":{\"id\":\"sv_%llu\"},"
                  "\"creationTime\":\"2024-05-01T09:%02llu:%02llu.000Z\",\"isModifiable\":%s,"
                  "\"size\":%llu,\"snapGroup\":{\"id\":\"%llu\"}}}",
                  i == 0 ? "" : ",", 38654705846ULL + i, 38654705846ULL + i, 1000 + i, 12 + i % 40,
                  i % 60, (i * 7) % 60, i % 3 == 0 ? "true" : "false", 1073741824ULL * (1 + i % 16),
                  171798691840ULL + i / 4);
    text += entry;
  }
  text += "]}";
  return text;
}

// Processor time of this process: the machine is shared, so wall time would measure the others.
double Now() {
  timespec ts;
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
  return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
}

}  // namespace

int main(int argc, char** argv) {
  const int iterations = argc > 1 ? std::atoi(argv[1]) : 50;
  const std::string text = Answer(1 << 20);
  const double mb = static_cast<double>(text.size()) / (1024.0 * 1024.0);

  jsondoc::Object doc;
  if (!doc.parse(text)) {
    std::fprintf(stderr, "the answer does not parse\n");
    return 1;
  }
  std::size_t entries = doc.get<jsondoc::Array>("entries").size();

  double start = Now();
  for (int i = 0; i < iterations; ++i) {
    jsondoc::Object o;
    if (!o.parse(text)) return 1;
  }
  const double text_s = Now() - start;

  start = Now();
  for (int i = 0; i < iterations; ++i) {
    jsondoc::Object o;
    std::istringstream in(text);
    if (!jsondoc::Object::parse(in, o)) return 1;
  }
  const double stream_s = Now() - start;

  std::size_t written = 0;
  start = Now();
  for (int i = 0; i < iterations; ++i) {
    std::stringstream out;
    out << doc;
    written += out.str().size();
  }
  const double write_s = Now() - start;
  const double written_mb = static_cast<double>(written) / (1024.0 * 1024.0);

  std::printf("answer: %.2f MB, %zu entries, %d iterations\n", mb, entries, iterations);
  std::printf("Object::parse(const String&):  %8.1f MB/s\n", mb * iterations / text_s);
  std::printf("Object::parse(std::istream&):  %8.1f MB/s (baseline)\n", mb * iterations / stream_s);
  std::printf("ratio text/stream:             %8.2fx\n", stream_s / text_s);
  std::printf("writer (operator<< to stream): %8.1f MB/s\n", written_mb / write_s);
  return 0;
}
