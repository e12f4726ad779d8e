#include "app/messages.h"

#include <gtest/gtest.h>

namespace {

TEST(Messages, CodeOutsideTheTableIsUnknownError) {
    EXPECT_STREQ(app::failureMessage(app::Failure::NameTooLong), "File name too long");
    EXPECT_STREQ(app::failureMessage(static_cast<app::Failure>(0)), "Unknown error");
    EXPECT_STREQ(app::failureMessage(static_cast<app::Failure>(12)), "Unknown error");
    EXPECT_STREQ(app::failureMessage(static_cast<app::Failure>(-1)), "Unknown error");
}

} // namespace
