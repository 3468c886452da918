#include "platform/core/Log.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <regex>

namespace {

using platform::CapturingLogSink;
using platform::ScopedLogCapture;
using platform::StandardLogSink;

TEST(Log, StandardLineFormat) {
    const std::string line = StandardLogSink::format("purlaneAgent", 1234, "Hello: a b");
    EXPECT_TRUE(std::regex_match(
        line, std::regex(R"(\d{4}-\d{2}-\d{2} \d{2}:\d{2}:\d{2}\.\d{3} purlaneAgent\[1234\]: )"
                         R"(Hello: a b)")))
        << line;
}

TEST(Log, StandardSinkWritesLogToStderrAndPrintToStdout) {
    testing::internal::CaptureStderr();
    testing::internal::CaptureStdout();
    StandardLogSink sink;
    sink.log("to the log");
    sink.print("to stdout");
    const std::string out = testing::internal::GetCapturedStdout();
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(out, "to stdout\n");
    const std::string tail =
        " " + platform::programName() + "[" + std::to_string(getpid()) + "]: to the log\n";
    ASSERT_GT(err.size(), tail.size());
    EXPECT_EQ(err.substr(err.size() - tail.size()), tail);
}

TEST(Log, ProgramNameIsTheWholeExecutableName) {
    // The kernel's short process name is cut at 15 characters; log lines must not be.
    EXPECT_EQ(platform::programName(), "bundle_tests");
}

TEST(Log, PrintAndLogGoThroughTheCurrentSink) {
    CapturingLogSink sink;
    platform::LogSink* previous = platform::setLogSink(&sink);
    platform::print("two\nlines");
    platform::log("message");
    platform::setLogSink(previous);
    EXPECT_EQ(sink.printed, std::vector<std::string>{"two\nlines"});
    EXPECT_EQ(sink.logged, std::vector<std::string>{"message"});
}

TEST(Log, ScopedCaptureRestoresThePreviousSink) {
    platform::LogSink* outer = &platform::logSink();
    {
        ScopedLogCapture first;
        {
            ScopedLogCapture second;
            platform::print("inner");
            EXPECT_EQ(second.sink.printed.size(), 1u);
        }
        EXPECT_EQ(&platform::logSink(), &first.sink);
        platform::log("outer");
        EXPECT_TRUE(first.sink.printed.empty());
        EXPECT_EQ(first.sink.logged.size(), 1u);
    }
    EXPECT_EQ(&platform::logSink(), outer);
}

TEST(Log, NullSinkMeansStandard) {
    CapturingLogSink sink;
    platform::LogSink* previous = platform::setLogSink(&sink);
    EXPECT_EQ(platform::setLogSink(nullptr), &sink);
    EXPECT_NE(dynamic_cast<StandardLogSink*>(&platform::logSink()), nullptr);
    platform::setLogSink(previous);
}

}  // namespace
