/// \file
/// Records of the array's host objects: hosts, host initiators, host IP ports and iSCSI nodes.
#pragma once
