/// \file
/// Records of CIFS shares of snapshots.
#pragma once

#include "unity/FileRecords.h"
