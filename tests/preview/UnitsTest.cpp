#include "PreviewTestKit.h"

TEST(Units, Placeholder) { SUCCEED(); }
