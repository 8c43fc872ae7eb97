// unityctl: manage an EMC Unity array from the command line through libManageEMCUnity.
#include <cstdio>
#include <cstdlib>

#include "tools/CliManual.h"
#include "tools/unityctl/Commands.h"

namespace {

std::string EnvOr(const char* name, const std::string& fallback) {
  const char* value = std::getenv(name);
  return value ? value : fallback;
}

}  // namespace

int main(int argc, char** argv) {
  using namespace unityctl;
  CommonOptions options;
  options.array = EnvOr("UNITY_ARRAY", "");
  options.user = EnvOr("UNITY_USER", "");

  CLI::App app{
      "unityctl - manage an EMC Unity array through its REST interface.\n"
      "The password comes from UNITY_PASSWORD (plain or a stored form), --password-from, or a "
      "prompt; never from the command line.\n"
      "Exit status: 0 success, 1 the operation failed (error code and text on stderr), 2 usage."};
  app.require_subcommand(1);
  app.option_defaults()->always_capture_default();
  app.add_option("-a,--array", options.array, "Array management address (UNITY_ARRAY)");
  app.add_option("-u,--user", options.user, "REST user name (UNITY_USER)");
  app.add_option("--password-from", options.passwordForm,
                 "Stored password: env:NAME, file:PATH (owner-only file) or base64:TEXT");
  app.add_option("--ca-file", options.caFile, "PEM bundle that signs the array's certificate");
  app.add_flag("--insecure", options.insecure, "Do not verify the array's certificate");
  app.add_flag("--json", options.json, "Print results as JSON");
  CLI::Option* logLevel = app.add_option(
      "--log-level", options.logLevel,
      "Diagnostic lines on stderr up to this level (-1 to 7); without it (or UNITY_LOG_FILE) a "
      "failure prints one line");
  app.add_option("--job-id", options.jobId, "Job id that tags the diagnostic lines");
  climanual::AddGenerateDocOption(app, "ManageEMCUnity " UNITY_PROJECT_VERSION);

  Action action;
  RegisterInfo(app, options, action);
  RegisterSnap(app, options, action);
  RegisterBlock(app, options, action);
  RegisterReplication(app, options, action);
  RegisterFile(app, options, action);
  RegisterHost(app, options, action);
  RegisterInventory(app, options, action);
  RegisterNfs(app, options, action);
  RegisterCifs(app, options, action);

  try {
    app.parse(argc, argv);
  } catch (const CLI::CallForHelp& e) {
    return app.exit(e);
  } catch (const CLI::CallForAllHelp& e) {
    return app.exit(e);
  } catch (const CLI::Success& e) {
    return app.exit(e);
  } catch (const CLI::ParseError& e) {
    app.exit(e);
    return kExitUsage;
  }
  options.logLevelGiven = logLevel->count() > 0;
  return action ? action() : kExitUsage;
}
