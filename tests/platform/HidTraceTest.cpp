// The tracing backend: every report both ways in the trace file, nothing else changed.
#include <gtest/gtest.h>

#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "platform/HidTrace.h"
#include "support/FakeHid.h"
#include "support/TestHome.h"

namespace zanvor {
namespace {

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    return lines;
}

TEST(HidTrace, WritesOneLinePerReportBothWays) {
    test::TempDir dir;
    const std::string file = dir.path() + "trace.txt";
    auto fake = std::make_shared<test::FakeHidBackend>();
    auto device = std::make_shared<test::FakeHidInterface>(33, 33);
    fake->Add(test::VendorInterface("/dev/hidraw7", 0x36B0, 0x3011), device);

    std::string error;
    auto traced = MakeHidTraceBackend(fake, file, &error);
    ASSERT_NE(traced, nullptr) << error;
    EXPECT_EQ(traced->Enumerate().size(), 1u);
    uint16_t page = 0, usage = 0;
    EXPECT_TRUE(traced->QueryUsage("/dev/hidraw7", page, usage));
    EXPECT_EQ(page, 0xFF60);
    EXPECT_EQ(traced->Open("/dev/missing"), nullptr);

    auto handle = traced->Open("/dev/hidraw7");
    ASSERT_NE(handle, nullptr);
    EXPECT_EQ(handle->OutputReportLength(), 33);
    std::vector<uint8_t> report(33, 0);
    report[1] = 0xAA;
    report[2] = 0x12;
    ASSERT_EQ(handle->Write(report.data(), report.size()), 33);
    uint8_t in[64] = {};
    ASSERT_EQ(handle->ReadTimeout(in, 32, 200), 32);
    EXPECT_EQ(in[0], 0xAA) << "the read passes through unchanged";
    EXPECT_EQ(handle->ReadTimeout(in, 32, 1), 0);  // time-out: not traced
    device->SetWriteFails(true);
    EXPECT_EQ(handle->Write(report.data(), report.size()), -1);  // failed: not traced

    const std::vector<std::string> lines = Lines(test::ReadFile(file));
    ASSERT_EQ(lines.size(), 2u);
    const std::regex out(
        R"(\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d\.\d{3} OUT /dev/hidraw7 00 AA 12( 00){30})");
    const std::regex inLine(
        R"(\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d\.\d{3} IN /dev/hidraw7 AA 12 00 00 00 00 00 55( [0-9A-F]{2}){24})");
    EXPECT_TRUE(std::regex_match(lines[0], out)) << lines[0];
    EXPECT_TRUE(std::regex_match(lines[1], inLine)) << lines[1];
}

TEST(HidTrace, UnwritableFileIsReported) {
    std::string error;
    EXPECT_EQ(MakeHidTraceBackend(std::make_shared<test::FakeHidBackend>(),
                                  "/nonexistent-folder/trace.txt", &error),
              nullptr);
    EXPECT_NE(error.find("/nonexistent-folder/trace.txt"), std::string::npos);
}

}  // namespace
}  // namespace zanvor
