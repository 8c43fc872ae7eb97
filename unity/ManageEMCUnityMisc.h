// Text utilities and key-path extraction shared by the messages and the session.
#pragma once

#include "unity/TextUtils.h"
#include "unity/messages/FieldExtraction.h"
