// The two flags in the current user's registry hive.
#include <windows.h>

#include "settings/settings.h"

namespace settings {

namespace {

const wchar_t settings_key[] = L"Software\\Zentrel3D\\Frostvale2026";

int32_t query_flag(HKEY key, const wchar_t* name, int32_t current) {
    // cleared first, so a value of one to three bytes counts only its own bytes
    DWORD word = 0;
    DWORD size = sizeof word;
    const bool ok =
        RegQueryValueExW(key, name, nullptr, nullptr, reinterpret_cast<BYTE*>(&word), &size) == ERROR_SUCCESS;
    return flag_from_query(ok, word, current);
}

void set_flag(HKEY key, const wchar_t* name, int32_t flag) {
    const DWORD word = static_cast<DWORD>(flag);
    RegSetValueExW(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&word), sizeof word);
}

}  // namespace

void read_settings() {
    HKEY key;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, settings_key, 0, KEY_READ, &key) != ERROR_SUCCESS) return;
    music_flag = query_flag(key, L"Music", music_flag);
    snow_flag = query_flag(key, L"Snow", snow_flag);
    RegCloseKey(key);
}

void save_settings() {
    HKEY key;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, settings_key, 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr) !=
        ERROR_SUCCESS)
        return;
    set_flag(key, L"Music", music_flag);
    set_flag(key, L"Snow", snow_flag);
    RegCloseKey(key);
}

}  // namespace settings
