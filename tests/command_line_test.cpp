#include <gtest/gtest.h>

#include <cmath>
#include <initializer_list>
#include <limits>
#include <vector>

#include "host/command_line.h"

using host::StartAction;
using host::StartRequest;

namespace {

StartRequest decide(std::initializer_list<const wchar_t*> args) {
    std::vector<const wchar_t*> argv{L"C:\\Frostvale2026.scr"};
    argv.insert(argv.end(), args);
    return host::decide_start(static_cast<int>(argv.size()), argv.data());
}

TEST(CommandLine, NoArgumentsOrNothingDecisiveOpensSettingsWithoutOwner) {
    const wchar_t* program = L"frostvale.scr";
    EXPECT_EQ(host::decide_start(0, nullptr).action, StartAction::settings_dialog);
    EXPECT_EQ(host::decide_start(1, &program).action, StartAction::settings_dialog);
    for (auto args : {std::initializer_list<const wchar_t*>{L"hello"}, {L"/y", L"/z", L"/1", L"/"},
                      {L"/x", L"5"}, {L"/x"}, {L"", L"-", L"+s", L"\\s", L".s"}}) {
        const StartRequest r = decide(args);
        EXPECT_EQ(r.action, StartAction::settings_dialog);
        EXPECT_FALSE(r.has_handle);
    }
}

TEST(CommandLine, LettersFoldAndOnlyTheLetterCounts) {
    EXPECT_EQ(decide({L"/s"}).action, StartAction::full_screen);
    EXPECT_EQ(decide({L"/S"}).action, StartAction::full_screen);
    EXPECT_EQ(decide({L"-s"}).action, StartAction::full_screen);
    EXPECT_EQ(decide({L"/save"}).action, StartAction::full_screen);
    EXPECT_EQ(decide({L"/a"}).action, StartAction::change_password);
    EXPECT_EQ(decide({L"-A:99"}).action, StartAction::change_password);
    EXPECT_EQ(decide({L"/W"}).action, StartAction::windowed);
}

TEST(CommandLine, FirstDecisiveSwitchWinsAndOthersArePassedOver) {
    EXPECT_EQ(decide({L"hello", L"/w"}).action, StartAction::windowed);
    EXPECT_EQ(decide({L"/q", L"/w"}).action, StartAction::windowed);
    EXPECT_EQ(decide({L"/w", L"/s"}).action, StartAction::windowed);
    // an /x lacking its operands is skipped, and the scan goes on with the next argument
    EXPECT_EQ(decide({L"/x", L"/s"}).action, StartAction::full_screen);
}

TEST(CommandLine, PreviewHandleForms) {
    for (auto args : {std::initializer_list<const wchar_t*>{L"/p", L"1234"}, {L"/p:1234"},
                      {L"/P1234"}, {L"-p", L"1234"}, {L"/l", L"1234"}, {L"/p", L"::  1234"},
                      {L"/p", L"1234x"}, {L"/p: :1234"}}) {
        const StartRequest r = decide(args);
        EXPECT_EQ(r.action, StartAction::preview);
        EXPECT_TRUE(r.has_handle);
        EXPECT_EQ(r.handle, 1234u);
    }
}

TEST(CommandLine, PreviewWithoutUsableHandleText) {
    StartRequest r = decide({L"/p"});
    EXPECT_EQ(r.action, StartAction::preview);
    EXPECT_FALSE(r.has_handle);
    // the attached rest is empty: the next argument is not looked at
    r = decide({L"/p:", L"1234"});
    EXPECT_TRUE(r.has_handle);
    EXPECT_EQ(r.handle, 0u);
    EXPECT_EQ(decide({L"/p", L"abc"}).handle, 0u);
    EXPECT_EQ(decide({L"/p", L"0"}).handle, 0u);
}

TEST(CommandLine, ConfigureOwner) {
    StartRequest r = decide({L"/c"});
    EXPECT_EQ(r.action, StartAction::configure);
    EXPECT_FALSE(r.has_handle);
    r = decide({L"/c:0"});
    EXPECT_TRUE(r.has_handle);
    EXPECT_EQ(r.handle, 0u);
    r = decide({L"/c:1234"});
    EXPECT_EQ(r.action, StartAction::configure);
    EXPECT_EQ(r.handle, 1234u);
}

TEST(CommandLine, CaptureNeedsBothOperands) {
    StartRequest r = decide({L"/x", L"5", L"out.bmp"});
    EXPECT_EQ(r.action, StartAction::capture);
    EXPECT_EQ(r.seconds_arg, 2);
    EXPECT_EQ(r.file_arg, 3);
    r = decide({L"junk", L"/x", L"abc", L"out.bmp", L"/s"});
    EXPECT_EQ(r.action, StartAction::capture);
    EXPECT_EQ(r.seconds_arg, 3);
}

TEST(CommandLine, HandleValueReadsLikeTheRuntime) {
    EXPECT_EQ(host::parse_handle_value(L"  \t42"), 42u);
    EXPECT_EQ(host::parse_handle_value(L"+42"), 42u);
    EXPECT_EQ(host::parse_handle_value(L"-1"), UINT64_MAX);
    EXPECT_EQ(host::parse_handle_value(L"18446744073709551615"), UINT64_MAX);
    EXPECT_EQ(host::parse_handle_value(L"18446744073709551616"), UINT64_MAX);
    EXPECT_EQ(host::parse_handle_value(L"99999999999999999999999"), UINT64_MAX);
    EXPECT_EQ(host::parse_handle_value(L"4294967296"), 4294967296u);
    EXPECT_EQ(host::parse_handle_value(L""), 0u);
    EXPECT_EQ(host::parse_handle_value(L"- 5"), 0u);
}

TEST(CommandLine, CaptureTimesTheClockCanReach) {
    EXPECT_TRUE(host::capture_time_reachable(0.0f));
    EXPECT_TRUE(host::capture_time_reachable(-5.0f));
    EXPECT_TRUE(host::capture_time_reachable(std::numeric_limits<float>::quiet_NaN()));
    EXPECT_TRUE(host::capture_time_reachable(1048576.0f));
    EXPECT_FALSE(host::capture_time_reachable(std::nextafter(1048576.0f, 2e6f)));
    EXPECT_FALSE(host::capture_time_reachable(std::numeric_limits<float>::infinity()));
    EXPECT_FALSE(host::capture_time_reachable(static_cast<float>(1e39)));
}

}  // namespace
