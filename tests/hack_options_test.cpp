// The Linux program's command line.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "host/linux/hack_options.h"
#include "shared/run_mode.h"

namespace {

struct OptionsCase {
    std::vector<const char*> args;
    host::HackAction action;
    host::HackTarget target;
    uint64_t window_id;
    int32_t snow, music;
    int bad_arg;
};

TEST(HackOptions, DecisionTable) {
    using A = host::HackAction;
    using T = host::HackTarget;
    const OptionsCase cases[] = {
        {{}, A::run, T::own_window, 0, 1, 0, -1},
        {{"-root", "--no-snow", "-music"}, A::run, T::root, 0, 0, 1, -1},
        {{"--root", "--music", "--window-id", "0x2a00007", "-snow"}, A::run, T::window_id, 0x2a00007, 1, 1, -1},
        {{"-window-id", "12345", "--root", "-window"}, A::run, T::own_window, 12345, 1, 0, -1},
        {{"--root", "--capture", "20", "f.bmp"}, A::capture, T::root, 0, 1, 0, -1},
        {{"--bogus", "--help"}, A::refuse, T::own_window, 0, 1, 0, 1},
        {{"--help", "--bogus"}, A::help, T::own_window, 0, 1, 0, -1},
        {{"-version"}, A::version, T::own_window, 0, 1, 0, -1},
        {{"--root", "hello"}, A::refuse, T::root, 0, 1, 0, 2},
        {{"---root"}, A::refuse, T::own_window, 0, 1, 0, 1},
        {{"--window-id"}, A::refuse, T::own_window, 0, 1, 0, 1},
        {{"--window-id", "0"}, A::refuse, T::own_window, 0, 1, 0, 1},
        {{"--capture", "20"}, A::refuse, T::own_window, 0, 1, 0, 1},
    };
    for (const OptionsCase& c : cases) {
        std::vector<const char*> argv{"frostvale"};
        argv.insert(argv.end(), c.args.begin(), c.args.end());
        const host::HackOptions o = host::parse_hack_options(static_cast<int>(argv.size()), argv.data());
        const char* first = c.args.empty() ? "(none)" : c.args[0];
        EXPECT_EQ(o.action, c.action) << first;
        EXPECT_EQ(o.target, c.target) << first;
        if (c.target == T::window_id || c.window_id) {
            EXPECT_EQ(o.window_id, c.window_id) << first;
        }
        EXPECT_EQ(o.snow, c.snow) << first;
        EXPECT_EQ(o.music, c.music) << first;
        EXPECT_EQ(o.bad_arg, c.bad_arg) << first;
        EXPECT_EQ(o.problem[0] != '\0', c.action == A::refuse) << first;
    }
    const char* capture[] = {"frostvale", "-no-snow", "--capture", "2.5", "out.bmp"};
    const host::HackOptions o = host::parse_hack_options(5, capture);
    EXPECT_EQ(o.seconds_arg, 3);
    EXPECT_EQ(o.file_arg, 4);
}

host::HackOptions parse(std::vector<const char*> args) {
    args.insert(args.begin(), "frostvale");
    return host::parse_hack_options(static_cast<int>(args.size()), args.data());
}

// The options a command line copied from a stock hack carries: the frame
// rate's, the display, and those that mean nothing here; and the capture
// times that are no time at all.
TEST(HackOptions, StockOptionsAndCaptureTimes) {
    host::HackOptions o =
        parse({"--fps", "-delay", "100000", "--display", ":7", "-install", "--noinstall", "-visual", "default",
               "--mono", "-pair", "--wireframe", "-geometry", "640x360+0+0", "--window", "--root"});
    EXPECT_EQ(o.action, host::HackAction::run);
    EXPECT_EQ(o.target, host::HackTarget::root);
    EXPECT_TRUE(o.fps == 1 && o.delay_us == 100000 && o.display && std::string(o.display) == ":7");
    const host::RunConfig run = host::hack_run_config(o, 1280, 720, 0);
    EXPECT_TRUE(run.show_fps && run.frame_delay_us == 100000);
    o = parse({"--fps", "--no-fps"});
    EXPECT_TRUE(o.fps == 0 && o.delay_us == 0 && !o.display);
    EXPECT_EQ(parse({"--delay", "2147483647"}).delay_us, 2147483647);
    const std::vector<const char*> refused[] = {{"--delay"},
                                                {"--delay", "-1"},
                                                {"--delay", "1.5"},
                                                {"--delay", "2147483648"},
                                                {"--display"},
                                                {"--visual"},
                                                {"--geometry"},
                                                {"--capture", "abc", "x.bmp"},
                                                {"--capture", "nan", "x.bmp"},
                                                {"--capture", "-5", "x.bmp"}};
    for (const auto& args : refused) {
        o = parse(args);
        EXPECT_EQ(o.action, host::HackAction::refuse) << args[0] << " " << (args.size() > 1 ? args[1] : "");
        EXPECT_EQ(o.bad_arg, std::string(args[0]) == "--capture" ? 2 : 1) << args[0];
    }
    o = parse({"--capture", "1048577", "x.bmp"});
    EXPECT_TRUE(o.action == host::HackAction::capture && o.seconds_unreachable);
    o = parse({"--capture", "2.5", "x.bmp"});
    EXPECT_TRUE(o.action == host::HackAction::capture && !o.seconds_unreachable && o.seconds == 2.5f);
}

TEST(HackOptions, WindowNumbers) {
    uint64_t id = 7;
    EXPECT_TRUE(host::parse_window_id("0X1aF", &id));
    EXPECT_EQ(id, 0x1afu);
    EXPECT_TRUE(host::parse_window_id("4294967295", &id));
    EXPECT_EQ(id, 4294967295u);
    for (const char* bad : {"", "0x", "0", "4294967296", "12a", "0x1g", "-5", " 5", "+5"}) {
        EXPECT_FALSE(host::parse_window_id(bad, &id)) << bad;
    }
    EXPECT_EQ(id, 4294967295u);  // refusals leave it
}

// The mode by window size; music only where the scene is the screensaver
// in full screen, never in a window named by number; only closing and
// Escape end a Linux run.
TEST(HackOptions, RunConfigByWindowAndTarget) {
    const char* music_root[] = {"frostvale", "--root", "--music", "--no-snow"};
    const host::HackOptions root = host::parse_hack_options(4, music_root);
    host::RunConfig run = host::hack_run_config(root, 400, 300, 6);
    EXPECT_TRUE(run.mode == shared::mode_full_screen && run.music && !run.snow && !run.input_ends_run);
    EXPECT_EQ(run.seed, 7u);
    run = host::hack_run_config(root, 399, 2000, 6);
    EXPECT_TRUE(run.mode == shared::mode_preview && !run.music);
    EXPECT_EQ(host::hack_run_config(root, 2000, 299, 6).mode, shared::mode_preview);
    const char* music_named[] = {"frostvale", "--music", "--window-id", "42"};
    EXPECT_FALSE(host::hack_run_config(host::parse_hack_options(4, music_named), 1280, 720, 6).music);
    const char* capture[] = {"frostvale", "--music", "--capture", "5", "a.bmp"};
    run = host::hack_run_config(host::parse_hack_options(5, capture), 1280, 720, 6);
    EXPECT_TRUE(run.mode == shared::mode_capture && !run.music && run.snow);
    EXPECT_EQ(run.seed, 8230u);
}

// The Wayland modes: which host runs, what each plays and takes, and the
// still, which starts as a capture does.
TEST(HackOptions, WaylandModesAndTheStill) {
    const auto parse = [](std::vector<const char*> args) {
        args.insert(args.begin(), "frostvale");
        return host::parse_hack_options(static_cast<int>(args.size()), args.data());
    };
    // under Wayland unless an X11 target or a capture is asked for;
    // --background and --overlay always
    EXPECT_TRUE(host::runs_on_wayland(parse({}), true));
    EXPECT_FALSE(host::runs_on_wayland(parse({}), false));
    EXPECT_TRUE(host::runs_on_wayland(parse({"--background"}), false));
    EXPECT_TRUE(host::runs_on_wayland(parse({"--root", "--overlay"}), false));
    for (const std::vector<const char*>& x11 : {std::vector<const char*>{"--root"},
                                                {"--window-id", "7"},
                                                {"--display", ":3"},
                                                {"--capture", "3", "a.bmp"},
                                                {"--overlay", "--root"}}) {
        EXPECT_FALSE(host::runs_on_wayland(parse(x11), true)) << x11[0];
    }
    host::RunConfig run = host::hack_run_config(parse({"--background", "--music"}), 1280, 720, 6);
    EXPECT_TRUE(run.mode == shared::mode_full_screen && !run.music && !run.input_ends_run);
    run = host::hack_run_config(parse({"--overlay", "--music"}), 1280, 720, 6);
    EXPECT_TRUE(run.mode == shared::mode_full_screen && run.music && run.input_ends_run);
    run = host::hack_run_config(parse({"--music", "--fps"}), 1280, 720, 6);
    EXPECT_TRUE(run.music && run.show_fps && !run.input_ends_run);

    const host::HackOptions still = parse({"--overlay", "--still", "34.3", "--music", "--fps"});
    EXPECT_EQ(still.action, host::HackAction::run);
    EXPECT_TRUE(still.still && still.still_seconds == 34.3f);
    run = host::hack_run_config(still, 1280, 720, 6);
    EXPECT_TRUE(run.mode == shared::mode_capture && !run.music && !run.show_fps && run.input_ends_run);
    EXPECT_EQ(run.seed, 8230u);
    for (const char* bad : {"abc", "-1", "1048577", "nan"}) {
        const host::HackOptions refused = parse({"--still", bad});
        EXPECT_EQ(refused.action, host::HackAction::refuse) << bad;
        EXPECT_EQ(refused.bad_arg, 1) << bad;
    }
    EXPECT_EQ(parse({"--still"}).action, host::HackAction::refuse);
}

std::string read_file(const char* path) {
    std::ifstream file(path);
    std::stringstream text;
    text << file.rdbuf();
    EXPECT_FALSE(text.str().empty()) << path;
    return text.str();
}

// Whether text names the option: spelled out, not as the start of a longer name.
bool names(const std::string& text, const std::string& option) {
    for (size_t at = text.find(option); at != std::string::npos; at = text.find(option, at + 1)) {
        const char next = at + option.size() < text.size() ? text[at + option.size()] : ' ';
        if (!std::isalnum(static_cast<unsigned char>(next)) && next != '-' && next != '\\') return true;
    }
    return false;
}

// --help, the manual page's OPTIONS and frostvale.xml's controls name every
// row of the table (frostvale.xml those the settings set), and name no
// option that is not in it.
TEST(HackOptions, HelpManualAndSettingsFollowTheTable) {
    const std::string usage = host::hack_usage();
    const std::string manual = read_file(FROSTVALE_SOURCE_DIR "/packaging/linux/frostvale.6");
    const std::string xml = read_file(FROSTVALE_SOURCE_DIR "/packaging/linux/frostvale.xml");
    const size_t options_at = manual.find("\n.SH OPTIONS");
    const std::string options = manual.substr(options_at, manual.find("\n.SH ", options_at + 1) - options_at);
    std::vector<std::string> known;
    for (int r = 0; r < host::hack_option_count; ++r) {
        const host::HackOption& row = host::hack_option_table[r];
        for (const char* name : {row.name, row.other_name}) {
            if (!name) continue;
            const std::string dashes = name[1] ? "--" : "-";
            known.push_back(name);
            EXPECT_TRUE(names(usage, dashes + name)) << name << " is not in --help";
            EXPECT_TRUE(names(options, std::regex_replace(dashes + name, std::regex("-"), "\\-")))
                << name << " is not in the manual page's OPTIONS";
        }
        if (row.xml) {
            EXPECT_NE(xml.find(row.xml), std::string::npos) << row.xml << " is not in frostvale.xml";
        }
    }
    const auto is_known = [&](const std::string& name) {
        return std::find(known.begin(), known.end(), name) != known.end();
    };
    const std::regex xml_option("--([a-z-]+)");
    for (std::sregex_iterator m(xml.begin(), xml.end(), xml_option), end; m != end; ++m)
        EXPECT_TRUE(is_known((*m)[1])) << (*m)[0] << " in frostvale.xml is not in the table";
    // the manual's option headings: the .B lines after .TP
    const std::regex heading("\\.TP\n\\.B[IR]? ([^\n]*)"), manual_option("\\\\-(\\\\-)?([a-z][a-z\\\\-]*)");
    for (std::sregex_iterator h(options.begin(), options.end(), heading), end; h != end; ++h) {
        const std::string line = (*h)[1];
        for (std::sregex_iterator m(line.begin(), line.end(), manual_option); m != end; ++m) {
            const std::string name = std::regex_replace((*m)[2].str(), std::regex("\\\\-"), "-");
            EXPECT_TRUE(is_known(name)) << name << " in the manual page is not in the table";
        }
    }
}

}  // namespace
