// All request/response messages of the library: the message base and every message class.
#pragma once

#include "unity/messages/BlockMessages.h"
#include "unity/messages/CifsMessages.h"
#include "unity/messages/EMCUnityJsonBase.h"
#include "unity/messages/FieldExtraction.h"
#include "unity/messages/FileMessages.h"
#include "unity/messages/HostMessages.h"
#include "unity/messages/NfsMessages.h"
#include "unity/messages/SessionMessages.h"
#include "unity/messages/SnapshotMessages.h"
