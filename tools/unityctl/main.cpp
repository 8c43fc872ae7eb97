// unityctl: manage an EMC Unity array from the command line through libManageEMCUnity.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "tools/CliManual.h"
#include "tools/unityctl/CommandGuess.h"
#include "tools/unityctl/Commands.h"

namespace {

std::string EnvOr(const char* name, const std::string& fallback) {
  const char* value = std::getenv(name);
  return value ? value : fallback;
}

// After the options and commands in --help and the manual, which turns each upper-case line
// into a section.
const char* const kFooter =
    "EXIT STATUS\n"
    "0 success; 1 the array or the connection failed (what failed, the error code and text, and "
    "what to do, on standard error); 2 bad usage, or input refused before anything was sent.\n"
    "\n"
    "EXAMPLES\n"
    "  unity-sim &   # prints the url and ca-file of a simulated array\n"
    "  export UNITY_ARRAY=https://127.0.0.1:PORT UNITY_USER=admin UNITY_PASSWORD='Password123!'\n"
    "  unityctl --ca-file CA info\n"
    "  unityctl --ca-file CA snap list -n Oracle_Data_daily_1\n"
    "  unityctl --ca-file CA fs show -n Projects --nas NAS_Dev\n"
    "  unityctl --ca-file CA --json snap create -r Oracle_Data -n nightly\n"
    "  unityctl --ca-file CA lun grant -r Oracle_Data --host sql-prod-01 -m 3\n"
    "  unityctl --ca-file CA --password-from file:$HOME/.unity-password info\n"
    "\n"
    "ENVIRONMENT\n"
    "UNITY_ARRAY: the array, HOST[:PORT] or https://HOST[:PORT] (--array).\n"
    "UNITY_USER: the REST user (--user).\n"
    "UNITY_PASSWORD: the password, plain or as env:NAME, file:PATH or base64:TEXT.\n"
    "UNITY_SETTINGS_FILE: the library's settings file (time-outs, UnityCAFile).\n"
    "UNITY_LOG_FILE: write the library's diagnostic lines to this file.\n"
    "UNITY_LOG_LEVEL: the highest level written to UNITY_LOG_FILE (-1 to 7).\n";

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
      "Objects may be named by id or by name (--nas, --host, resources)."};
  app.name("unityctl");
  app.require_subcommand(1);
  app.option_defaults()->always_capture_default();
  app.add_option("-a,--array", options.array,
                 "Array management address, HOST[:PORT] or https://HOST[:PORT] (UNITY_ARRAY)");
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
  app.footer(kFooter);  // after the commands: only the top-level help shows it

  for (int i = 1; i < argc; ++i)
    if (std::strcmp(argv[i], "--json") == 0) UseJsonErrors(true);
  std::string mistake;
  std::string advice;
  if (FindCommandMistake(app, argc, argv, mistake, advice))
    return Complain(kExitUsage, mistake, advice);

  try {
    app.parse(argc, argv);
  } catch (const CLI::CallForHelp& e) {
    return app.exit(e);
  } catch (const CLI::CallForAllHelp& e) {
    return app.exit(e);
  } catch (const CLI::Success& e) {
    return app.exit(e);
  } catch (const CLI::ParseError& e) {
    return Complain(kExitUsage, e.what(), "'" + ChosenCommand(app) + " --help' shows the usage");
  }
  options.logLevelGiven = logLevel->count() > 0;
  return action ? action() : kExitUsage;
}
