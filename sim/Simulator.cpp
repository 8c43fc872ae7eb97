#include "sim/Simulator.h"

#include <httplib.h>

#include <stdexcept>

#include "sim/Resources.h"

namespace unitysim {

Simulator::Simulator(SimOptions options)
    : control_(*this, options.controlToken.empty() ? randomHex(16) : options.controlToken) {
  defineAllTypes(model_);
  const std::string text = options.seed.empty() ? defaultSeedText() : options.seed;
  seed_ = Json::parse(text, nullptr, false);
  if (seed_.is_discarded()) throw std::invalid_argument("the seed is not valid JSON");
  model_.seed(seed_);
  if (!options.apiVersion.empty()) setApiVersion(options.apiVersion);
  sessions_.setCredentials(options.user, options.password);
  sessions_.setIdleTimeout(options.idleTimeout);
  ListingOptions listing;
  listing.defaultPerPage = std::min<size_t>(std::max<size_t>(options.pageSize, 1), 2000);
  listing.rejectEmptyFilter = options.rejectEmptyFilter;
  handlers_.setOptions(listing);

  // Method handlers rather than a pre-routing one: httplib reads the body only for those.
  auto& http = tls_.http();
  const auto handler = [this](const httplib::Request& req, httplib::Response& res) {
    if (Control::owns(req.path))
      control_.handle(req, res);
    else
      router_.handle(req, res);
  };
  http.Get(".*", handler);
  http.Post(".*", handler);
  http.Delete(".*", handler);
  http.Put(".*", handler);
  http.Patch(".*", handler);
  http.set_exception_handler([](const httplib::Request&, httplib::Response& res,
                                std::exception_ptr) { res.status = 500; });
}

Simulator::~Simulator() {
  stop();
}

void Simulator::start(int port) {
  tls_.start(port);
}
void Simulator::stop() {
  tls_.stop();
}

std::string Simulator::host() const {
  return "127.0.0.1:" + std::to_string(port());
}
std::string Simulator::baseUrl() const {
  return tls_.baseUrl();
}

void Simulator::setCredentials(const std::string& user, const std::string& password) {
  sessions_.setCredentials(user, password);
}

void Simulator::setIdleTimeout(std::chrono::seconds t) {
  sessions_.setIdleTimeout(t);
}
void Simulator::expireSessions() {
  sessions_.expireAll();
}

void Simulator::setSlow(const std::string& type, const std::string& action, int pollsBeforeDone) {
  jobs_.setSlow(type, action, pollsBeforeDone);
}

void Simulator::failNextJob(std::uint32_t errorCode, const std::string& message, int httpStatus) {
  jobs_.failNextJob(errorCode, message, httpStatus);
}

void Simulator::setPageSize(size_t perPage) {
  ListingOptions o = handlers_.options();
  o.defaultPerPage = std::min<size_t>(std::max<size_t>(perPage, 1), o.maxPerPage);
  handlers_.setOptions(o);
}

void Simulator::setApiVersion(const std::string& version) {
  auto guard = model_.lock();
  apiVersion_ = version;
  unitysim::setApiVersion(model_, version);
}

void Simulator::applySeed(const Json& seed) {
  model_.clear();
  model_.seed(seed);
  if (!apiVersion_.empty()) unitysim::setApiVersion(model_, apiVersion_);
}

void Simulator::reset() {
  {
    auto guard = model_.lock();
    applySeed(seed_);
  }
  faults_.clear();
  jobs_.clearSlow();
  jobs_.takeFailure();
  journal_.clear();
}

void Simulator::loadSeed(const Json& seed) {
  auto guard = model_.lock();
  try {
    applySeed(seed);
  } catch (const std::invalid_argument&) {
    applySeed(seed_);
    throw;
  }
  seed_ = seed;
}

Json Simulator::seedDocument() const {
  auto guard = model_.lock();
  return seed_;
}

}  // namespace unitysim
