// unityctl as a person meets it: the built binary runs as a child process against the fixture's
// simulator, and each row checks the first line it prints and its exit status.
#include <sys/wait.h>

#include <cstdlib>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/SimulatorFixture.h"
#include "tests/support/TempDir.h"

namespace {

struct ToolRun {
  int exitStatus = -1;
  std::string out;
  std::string err;
};

std::string FirstLine(const std::string& text) {
  return text.substr(0, text.find('\n'));
}

std::string ReadAll(const std::string& path) {
  std::stringstream text;
  text << std::ifstream(path).rdbuf();
  return text.str();
}

class UnityctlTest : public unitytest::SimulatorTest {
 protected:
  // Runs unityctl through the shell (`args` are split at spaces) with the simulator as its array
  // (the URL unity-sim prints), the fixture's user and CA, in a clean environment. Standard input
  // is /dev/null: no terminal, so nothing is asked.
  ToolRun unityctl(const std::string& args, bool withPassword = true) {
    std::string command = "env -i UNITY_USER=admin PATH=/usr/bin:/bin ";
    if (withPassword) command += std::string("UNITY_PASSWORD='") + kPassword + "' ";
    command += std::string(UNITYCTL_BINARY) + " --ca-file " + sim().caFile() + " ";
    if ((" " + args).find(" -a ") == std::string::npos) command += "-a " + sim().baseUrl() + " ";
    command += args + " </dev/null >" + dir_.path() + "/out 2>" + dir_.path() + "/err";
    const int status = std::system(command.c_str());
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, ReadAll(dir_.path() + "/out"),
            ReadAll(dir_.path() + "/err")};
  }

  TempDir dir_;
};

// `fd` 1 checks the first line of standard output, 2 of stderr.
struct MessageCase {
  const char* name;
  const char* args;
  int fd;
  const char* expected;  // the beginning of that line
  int exitStatus;
  std::optional<unitysim::Fault> fault = std::nullopt;
};

TEST_F(UnityctlTest, FirstLinesAndExitStatus) {
  // Snapshot 38654705846 is Oracle_Data_daily_1 of sv_1.
  const std::vector<MessageCase> cases = {
      {"name matching two file systems", "fs show -n Projects", 2,
       "unityctl: fs show failed: error 3: 2 file systems are named Projects; name the NAS "
       "server too",
       1},
      {"the NAS server chosen by name", "fs show -n Projects --nas NAS_Dev", 1, "id:         fs_10",
       0},
      {"name matching a group's three snapshots", "snap show -n SQL_CG_app_consistent", 2,
       "unityctl: snap show failed: error 3: 3 snapshots are named SQL_CG_app_consistent", 1},
      {"resource name held by two file systems", "lun resource -n Projects -t 1", 2,
       "unityctl: looking up storage resource Projects failed: error 3: 2 storage resources are "
       "named Projects",
       1},
      {"answer without a body", "snap list -n Oracle_Data_daily_1", 2,
       "unityctl: snap list failed: error 1: No response body (HTTP 414)", 1,
       unitysim::Fault::httpStatus(414, false).on("GET", "/api/types/snap")},
      {"snapshot id that is no number", "snap show -i first", 2,
       "unityctl: --id: 'first' is not a snapshot id", 2},
      {"NAS server that does not exist", "fs list --nas NAS_Nope", 2,
       "unityctl: no NAS server has the id or name 'NAS_Nope'", 1},
      {"host that does not exist", "nfs list --host web-01", 2,
       "unityctl: no host has the id or name 'web-01'", 1},
      {"name matching no snapshot", "snap show -n Nightly", 2,
       "unityctl: snap show failed: error 131149829: The requested resources do not exist", 1},
      {"resource name that matches nothing", "snap create -r Oracle -n x", 2,
       "unityctl: no storage resource has the id or name 'Oracle'", 1},
      {"grant refused beside a mixed host", "lun grant -g -r SQL_CG --host nfs-client-01", 2,
       "unityctl: host Host_1 has mixed access (65535) on res_2, which the array may refuse", 1,
       unitysim::Fault::error(422, 0x06000BE8, "accessMask is not valid")
           .on("POST", "/api/instances/storageResource/res_2/action/modifyConsistencyGroup")},
      {"negative snapshot id", "snap delete -i -5", 2, "unityctl: --id: '-5' is not a snapshot id",
       2},
      {"typed JSON", "--json snap show -i 38654705846", 1,
       "{\"id\": 38654705846, \"name\": \"Oracle_Data_daily_1\", \"resource\": \"sv_1\", "
       "\"modifiable\": false",
       0},
      {"JSON error", "--json fs show -n Projects", 2,
       "{\"error\": \"fs show failed\", \"code\": 3, \"text\": \"2 file systems are named", 1},
      {"action as an object", "--json snap delete -i 38654705848", 1,
       "{\"action\": \"snap delete\", \"id\": 38654705848", 0},
      {"NAS server by name in fs list", "fs list --nas NAS_Dev", 1, "id     name", 0},
      {"NAS server by name in aliases", "aliases --nas NAS_Dev", 1, "alias", 0},
      {"mistyped command", "snap lsit", 2, "unityctl: 'unityctl snap lsit' is not a command", 2},
      {"missing command", "snap", 2, "unityctl: 'unityctl snap' needs a command: create, copy,", 2},
      {"restore without confirmation", "snap restore -i 38654705846", 2,
       "unityctl: snap restore not confirmed: nothing was changed", 2},
      {"restore names its backup", "snap restore -i 38654705846 --yes", 1,
       "restored storage resource sv_1 from snapshot 38654705846; its previous state is in backup "
       "snapshot 38654705853",
       0},
      {"no always-empty column", "snap list -i 38654705846", 1,
       "id           name                 resource  modifiable", 0},
      {"insecure warns", "--insecure info", 2,
       "unityctl: warning: --insecure: the array's certificate is not checked", 0},
      {"array that is not HTTPS", "-a http://127.0.0.1:1 info", 2,
       "unityctl: 'http://127.0.0.1:1' is not an array address", 2},
  };
  for (const MessageCase& row : cases) {
    SCOPED_TRACE(row.name);
    sim().faults().clear();
    if (row.fault) sim().faults().add(*row.fault);
    const ToolRun run = unityctl(row.args);
    EXPECT_EQ(FirstLine(row.fd == 1 ? run.out : run.err).rfind(row.expected, 0), 0u)
        << "stdout: " << run.out << "stderr: " << run.err;
    EXPECT_EQ(run.exitStatus, row.exitStatus) << run.err;
  }
}

TEST_F(UnityctlTest, PasswordSourcesSayWhatIsWrong) {
  const std::string open = dir_.write("open", "Password123!\n", 0644);
  const std::string empty = dir_.write("empty", "");
  struct Case {
    const char* name;
    std::string form;
    std::string expected;
  };
  const std::vector<Case> cases = {
      {"unset variable", "env:UNITYCTL_TEST_UNSET",
       "unityctl: the environment variable 'UNITYCTL_TEST_UNSET' named by --password-from is not "
       "set"},
      {"missing file", "file:" + dir_.path() + "/missing",
       "unityctl: the password file '" + dir_.path() +
           "/missing' named by --password-from cannot be read"},
      {"empty file", "file:" + empty, "unityctl: the password file '" + empty + "' is empty"},
      {"file others may read", "file:" + open,
       "unityctl: the password file '" + open + "' may be read by others (mode 644)"},
      {"bad base64", "base64:abc!", "unityctl: the text after base64: in --password-from is not"},
  };
  for (const Case& row : cases) {
    SCOPED_TRACE(row.name);
    const ToolRun run = unityctl("--password-from " + row.form + " info", false);
    EXPECT_EQ(FirstLine(run.err).rfind(row.expected, 0), 0u) << run.err;
    EXPECT_EQ(run.exitStatus, 2);
  }
  EXPECT_EQ(sim().requestCount(), 0);
}

}  // namespace
