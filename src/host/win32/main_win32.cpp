// The program's entry: reads the settings, decides from the command line,
// and takes exactly one action; its result is the process exit code.
#include <windows.h>
#include <shellapi.h>

#include <cstdlib>
#include <string>

#include "host/run/capture.h"
#include "host/win32/command_line.h"
#include "host/win32/process_win32.h"
#include "host/win32/saver_win32.h"
#include "settings/settings.h"
#include "shared/run_mode.h"

namespace {

HWND handle_window(uint64_t handle) { return reinterpret_cast<HWND>(static_cast<uintptr_t>(handle)); }

// The run's configuration from its mode and the stored choices. Only the
// full-screen saver owns the screen: any input ends it.
host::RunConfig run_config(int32_t mode) {
    return host::RunConfig{mode, settings::snow_flag != 0,
                           host::run_plays_music(mode, settings::music_flag != 0, false),
                           mode == shared::mode_full_screen, host::run_seed(mode, GetTickCount())};
}

// text as UTF-8, every character in its exact form; false for text the
// conversion cannot carry whole (a lone surrogate).
bool exact_utf8(const wchar_t* text, std::string* utf8) {
    const int size = WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, text, -1, nullptr, 0, nullptr, nullptr);
    if (size <= 0) return false;
    utf8->resize(static_cast<size_t>(size));
    WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, text, -1, &(*utf8)[0], size, nullptr, nullptr);
    utf8->resize(static_cast<size_t>(size) - 1);
    return true;
}

int start(int argc, wchar_t** argv) {
    using host::StartAction;
    const host::StartRequest request = host::decide_start(argc, argv);
    switch (request.action) {
        case StartAction::settings_dialog:
            settings::run_settings_dialog(0);
            return 0;
        case StartAction::configure: {
            HWND owner = handle_window(request.handle);
            if (!request.has_handle || !owner || !IsWindow(owner)) owner = GetForegroundWindow();
            settings::run_settings_dialog(reinterpret_cast<uintptr_t>(owner));
            return 0;
        }
        case StartAction::change_password:
            return 0;
        case StartAction::preview: {
            HWND host_window = handle_window(request.handle);
            if (!request.has_handle || !host_window || !IsWindow(host_window)) return 1;
            return host::saver_run(run_config(shared::mode_preview), host_window, 0.0f, nullptr);
        }
        case StartAction::full_screen:
            return host::saver_run(run_config(shared::mode_full_screen), nullptr, 0.0f, nullptr);
        case StartAction::windowed:
            return host::saver_run(run_config(shared::mode_windowed), nullptr, 0.0f, nullptr);
        case StartAction::capture: {
            const float seconds = static_cast<float>(_wtof(argv[request.seconds_arg]));
            // the name exactly as given (the writer opens it by its wide
            // form again), within the 260-byte buffer with its terminator;
            // the time, as written, one the capture clock can reach
            std::string file, seconds_text;
            if (!exact_utf8(argv[request.file_arg], &file) || !exact_utf8(argv[request.seconds_arg], &seconds_text))
                return 1;
            if (!host::capture_name_fits(file.c_str()) || !host::capture_time_reachable(seconds) ||
                !host::capture_time_text_reachable(seconds_text.c_str()))
                return 1;
            return host::saver_run(run_config(shared::mode_capture), nullptr, seconds, file.c_str());
        }
    }
    return 0;
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    host::load_system_libraries();
    host::declare_dpi_awareness();
    settings::read_settings();
    int argc = 0;  // a failed split counts as an empty command line
    wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    if (!argv) argc = 0;
    // the argument vector lives until the process ends
    return start(argc, argv);
}
