#include <gtest/gtest.h>

#include <cmath>
#include <initializer_list>
#include <vector>

#include "host/win32/command_line.h"

namespace {

using host::StartAction;

struct Case {
    std::initializer_list<const wchar_t*> args;
    StartAction action;
    bool has_handle;
    uint64_t handle;
};

TEST(CommandLine, DecisionTable) {
    const StartAction dialog = StartAction::settings_dialog, preview = StartAction::preview;
    const Case cases[] = {
        {{}, dialog, false, 0},
        {{L"hello", L"/y", L"/z", L"/1", L"/", L"", L"-", L"+s", L"\\s"}, dialog, false, 0},
        {{L"/x", L"5"}, dialog, false, 0},  // /x without its file is passed over
        {{L"/S"}, StartAction::full_screen, false, 0},
        {{L"-save"}, StartAction::full_screen, false, 0},
        {{L"-A:99"}, StartAction::change_password, false, 0},
        {{L"hello", L"/q", L"/W", L"/s"}, StartAction::windowed, false, 0},  // first decisive wins
        {{L"/x", L"/s"}, StartAction::full_screen, false, 0},
        {{L"/p", L"1234"}, preview, true, 1234},
        {{L"/p:1234"}, preview, true, 1234},
        {{L"/P1234"}, preview, true, 1234},
        {{L"-l", L"::  1234x"}, preview, true, 1234},
        {{L"/p: :1234"}, preview, true, 1234},
        {{L"/p"}, preview, false, 0},
        {{L"/p:", L"1234"}, preview, true, 0},  // the attached rest is empty: next argument unread
        {{L"/p", L"abc"}, preview, true, 0},
        {{L"/c"}, StartAction::configure, false, 0},
        {{L"/c:0"}, StartAction::configure, true, 0},
        {{L"/c:1234"}, StartAction::configure, true, 1234},
    };
    for (const Case& c : cases) {
        std::vector<const wchar_t*> argv{L"C:\\Frostvale2026.scr"};
        argv.insert(argv.end(), c.args);
        const host::StartRequest r = host::decide_start(static_cast<int>(argv.size()), argv.data());
        const wchar_t* first = c.args.size() ? *c.args.begin() : L"(none)";
        EXPECT_EQ(r.action, c.action) << first;
        EXPECT_EQ(r.has_handle, c.has_handle) << first;
        EXPECT_EQ(r.handle, c.handle) << first;
    }
    EXPECT_EQ(host::decide_start(0, nullptr).action, StartAction::settings_dialog);
}

TEST(CommandLine, CaptureOperands) {
    const wchar_t* argv[] = {L"scr", L"junk", L"/x", L"abc", L"out.bmp", L"/s"};
    const host::StartRequest r = host::decide_start(6, argv);
    EXPECT_EQ(r.action, StartAction::capture);
    EXPECT_EQ(r.seconds_arg, 3);
    EXPECT_EQ(r.file_arg, 4);
}

TEST(CommandLine, HandleValueReadsLikeTheRuntime) {
    EXPECT_EQ(host::parse_handle_value(L"  \t+42"), 42u);
    EXPECT_EQ(host::parse_handle_value(L"-1"), UINT64_MAX);
    EXPECT_EQ(host::parse_handle_value(L"18446744073709551615"), UINT64_MAX);
    EXPECT_EQ(host::parse_handle_value(L"99999999999999999999999"), UINT64_MAX);
    EXPECT_EQ(host::parse_handle_value(L"4294967296"), 4294967296u);
    EXPECT_EQ(host::parse_handle_value(L"- 5"), 0u);
}

}  // namespace
