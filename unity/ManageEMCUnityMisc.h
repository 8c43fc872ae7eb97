// Text utilities and key-path extraction shared by the messages and the session.
#pragma once

#include "unity/FieldExtraction.h"
#include "unity/TextUtils.h"
