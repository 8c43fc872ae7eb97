// Pieces the NFS export and CIFS share lookups share. Internal: not exported.
#pragma once

#include <string>
#include <vector>

#include "platform/DiagLog.h"
#include "unity/ManageEMCUnity.h"
#include "unity/OperationSupport.h"

// Exactly one share found is the answer: its file-system record is completed through
// GetFSInfoForId and the share copied to `out`. None sets the array's missing-resource error;
// several keep the error state of the successful request. `what` names the kind in the log line
// "Got invalid number of <what> info [<count>]".
template <typename Share>
bool TakeSingleShare(ManageEMCUnity& session, DiagLog& log, const std::string& tag,
                     const char* what, std::vector<Share>& found, Share& out) {
  if (found.size() != 1) {
    log.logLevel(tag, -1, static_cast<long long>(session.jobId),
                 "Got invalid number of %s info [%zu]", what, found.size());
    if (found.empty()) {
      session.errorCode = kMissingResourceCode;
      session.errorText = kMissingResourceText;
    }
    return false;
  }
  Share& share = found.front();
  const std::string filesystemId = share.filesystem.id;
  if (!session.GetFSInfoForId(share.filesystem, filesystemId)) return false;
  out = share;
  return true;
}
