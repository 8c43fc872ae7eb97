// Reader throughput and footprint on snapshot list answers of 1 MB and 10 MB, jsondoc against
// RapidJSON's DOM and nlohmann::json (the baselines) on the same generated texts in the same run:
//   - Object::parse(const String&) against rapidjson::Document::Parse and
//     nlohmann::json::parse(const std::string&),
//   - Object::parse(std::istream&) against nlohmann::json::parse(std::istream&),
// each timed with the destruction of the document (processor time, median of the iterations,
// which run the readers in turn),
// and the peak memory of one parsed document above the process's size before the parse (each
// measured in a fresh process of its own, so the heaps do not meet), as a multiple of the text.
// The writer's speed on the parsed document closes the report.
//
// Usage: json_reader_bench [iterations of the 1 MB case]   (build the release preset to measure)
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include <rapidjson/document.h>
#include <nlohmann/json.hpp>

#include "json/jsondoc.h"

namespace {

std::string Answer(std::size_t target_bytes) {
  std::string text =
      "{\"@base\":\"https://10.244.223.61/api/types/snap/instances?per_page=2000\","
      "\"updated\":\"2024-05-01T10:15:22.497Z\",\"links\":[{\"rel\":\"self\",\"href\":\"&page=1\"},"
      "{\"rel\":\"next\",\"href\":\"&page=2\"}],\"entries\":[";
  text.reserve(target_bytes + 1024);
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

// Median processor time of one run of each of `parses` (each parses and destroys one document).
// Every iteration runs each once, in turn, so a slow spell of the machine slows all of them
// rather than the one whose iterations it fell on.
std::vector<double> TimeInTurn(int iterations, const std::vector<std::function<bool()>>& parses) {
  std::vector<std::vector<double>> runs(parses.size());
  for (int i = 0; i < iterations; ++i) {
    for (std::size_t p = 0; p < parses.size(); ++p) {
      const double start = Now();
      if (!parses[p]()) {
        std::fprintf(stderr, "a reader failed on the answer\n");
        std::exit(1);
      }
      runs[p].push_back(Now() - start);
    }
  }
  std::vector<double> medians;
  for (std::vector<double>& times : runs) {
    std::sort(times.begin(), times.end());
    medians.push_back(times[times.size() / 2]);
  }
  return medians;
}

// A field of /proc/self/status in bytes ("VmRSS", "VmHWM").
double StatusBytes(const char* field) {
  std::ifstream status("/proc/self/status");
  std::string line;
  const std::size_t n = std::strlen(field);
  while (std::getline(status, line)) {
    if (line.compare(0, n, field) == 0 && line.size() > n && line[n] == ':') {
      return std::atof(line.c_str() + n + 1) * 1024.0;
    }
  }
  return 0;
}

// Peak resident memory that reading one document adds, in bytes: run in a fresh process of its
// own (see main), after the text exists and with the peak mark reset, so only the parse counts.
double PeakInThisProcess(const std::string& library, std::size_t bytes) {
  const std::string text = Answer(bytes);
  std::ofstream("/proc/self/clear_refs") << "5";
  const double before = StatusBytes("VmRSS");
  if (library == "jsondoc") {
    jsondoc::Object doc;
    doc.parse(text);
    return StatusBytes("VmHWM") - before;
  }
  if (library == "rapidjson") {
    rapidjson::Document doc;
    doc.Parse(text.c_str(), text.size());
    return StatusBytes("VmHWM") - before;
  }
  nlohmann::json doc = nlohmann::json::parse(text, nullptr, false);
  return StatusBytes("VmHWM") - before;
}

double PeakBytes(const char* library, std::size_t bytes) {
  const std::string command =
      "/proc/" + std::to_string(getpid()) + "/exe --peak " + library + " " + std::to_string(bytes);
  FILE* child = popen(command.c_str(), "r");
  if (child == nullptr) return -1;
  double peak = -1;
  if (std::fscanf(child, "%lf", &peak) != 1) peak = -1;
  pclose(child);
  return peak;
}

void Measure(std::size_t bytes, int iterations) {
  const std::string text = Answer(bytes);
  const double mb = static_cast<double>(text.size()) / (1024.0 * 1024.0);

  const auto jsondocString = [&] {
    jsondoc::Object doc;
    return doc.parse(text);
  };
  const auto nlohmannString = [&] {
    nlohmann::json doc = nlohmann::json::parse(text, nullptr, false);
    return !doc.is_discarded();
  };
  const auto rapidString = [&] {
    rapidjson::Document doc;
    doc.Parse(text.c_str(), text.size());
    return !doc.HasParseError();
  };
  const auto jsondocStream = [&] {
    std::istringstream in(text);
    jsondoc::Object doc;
    return jsondoc::Object::parse(in, doc);
  };
  const auto nlohmannStream = [&] {
    std::istringstream in(text);
    nlohmann::json doc = nlohmann::json::parse(in, nullptr, false);
    return !doc.is_discarded();
  };
  const std::vector<double> times = TimeInTurn(
      iterations, {jsondocString, nlohmannString, rapidString, jsondocStream, nlohmannStream});
  const double ours = times[0], theirs = times[1], rapid = times[2], oursStream = times[3],
               theirsStream = times[4];

  const double oursPeak = PeakBytes("jsondoc", bytes);
  const double theirsPeak = PeakBytes("nlohmann", bytes);
  const double rapidPeak = PeakBytes("rapidjson", bytes);

  jsondoc::Object doc;
  doc.parse(text);
  std::size_t written = 0;
  const double writeStart = Now();
  for (int i = 0; i < iterations; ++i) {
    std::stringstream out;
    out << doc;
    written += out.str().size();
  }
  const double write = Now() - writeStart;

  const double size = static_cast<double>(text.size());
  std::printf("answer: %.2f MB, %zu entries, %d iterations (median)\n", mb,
              doc.get<jsondoc::Array>("entries").size(), iterations);
  std::printf(
      "  parse(const String&) + destroy: jsondoc %7.1f MB/s, RapidJSON %7.1f MB/s, ratio %.2fx\n",
      mb / ours, mb / rapid, rapid / ours);
  std::printf(
      "  parse(const String&) + destroy: jsondoc %7.1f MB/s, nlohmann %7.1f MB/s, ratio %.2fx\n",
      mb / ours, mb / theirs, theirs / ours);
  std::printf(
      "  parse(std::istream&) + destroy: jsondoc %7.1f MB/s, nlohmann %7.1f MB/s, ratio %.2fx\n",
      mb / oursStream, mb / theirsStream, theirsStream / oursStream);
  std::printf(
      "  peak memory of a document:      jsondoc %.2fx, RapidJSON %.2fx, nlohmann %.2fx the "
      "answer\n",
      oursPeak / size, rapidPeak / size, theirsPeak / size);
  std::printf("  writer (operator<< to stream):  %.1f MB/s\n",
              static_cast<double>(written) / (1024.0 * 1024.0) / write);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 4 && std::strcmp(argv[1], "--peak") == 0) {
    std::printf("%.0f\n", PeakInThisProcess(argv[2], std::strtoull(argv[3], nullptr, 10)));
    return 0;
  }
  const int iterations = argc > 1 ? std::max(1, std::atoi(argv[1])) : 21;
  Measure(1u << 20, iterations);
  Measure(10u << 20, std::max(3, iterations / 4));
  return 0;
}
