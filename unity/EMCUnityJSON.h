// All request/response messages of the library: the message base and every message class.
#pragma once

#include "unity/BlockMessages.h"
#include "unity/CifsMessages.h"
#include "unity/EMCUnityJsonBase.h"
#include "unity/FieldExtraction.h"
#include "unity/FileMessages.h"
#include "unity/HostMessages.h"
#include "unity/NfsMessages.h"
#include "unity/SessionMessages.h"
#include "unity/SnapshotMessages.h"
