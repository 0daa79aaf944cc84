// The program's entry: reads the settings, decides from the command line,
// and takes exactly one action; its result is the process exit code.
#include <windows.h>
#include <shellapi.h>

#include <cstdlib>

#include "host/run/capture.h"
#include "host/win32/command_line.h"
#include "host/win32/process_win32.h"
#include "host/win32/saver_win32.h"
#include "settings/settings.h"
#include "shared/run_mode.h"

namespace {

HWND handle_window(uint64_t handle) {
    return reinterpret_cast<HWND>(static_cast<uintptr_t>(handle));
}

// The run's configuration from its mode and the stored choices. Only the
// full-screen saver owns the screen: any input ends it.
host::RunConfig run_config(int32_t mode) {
    return host::RunConfig{mode, settings::snow_flag != 0,
                           host::run_plays_music(mode, settings::music_flag != 0, false),
                           mode == shared::mode_full_screen, host::run_seed(mode, GetTickCount())};
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
            // the name must fit the 260-byte buffer with its terminator, and
            // the time must be one the capture clock can reach
            char file[260];
            if (WideCharToMultiByte(CP_ACP, 0, argv[request.file_arg], -1, file, sizeof file,
                                    nullptr, nullptr) == 0)
                return 1;
            if (!host::capture_time_reachable(seconds)) return 1;
            return host::saver_run(run_config(shared::mode_capture), nullptr, seconds, file);
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
