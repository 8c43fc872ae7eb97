/// \file
/// Records of NFS exports of snapshots.
#pragma once

#include "unity/FileRecords.h"
