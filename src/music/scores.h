// The three carol melodies of the music loop: constant scores, one note
// per entry, each note a pitch name and a length in beats. There are no
// rests and no chords; each note starts where the previous one's beats end.
#pragma once
#include <cstddef>

namespace music {

struct Note {
    const char* name;  // letter A-G, optional '#', one octave digit: "E4", "F#4"
    float beats;       // nominal length in beats
};

// A pitch name is one letter from A to G, an optional '#' and exactly one
// octave digit; anything else (lower case, a flat, two digits, no digit)
// has no pitch.
constexpr bool is_note_name(const char* name) {
    if (name == nullptr || name[0] < 'A' || name[0] > 'G') return false;
    const int digit = name[1] == '#' ? 2 : 1;
    return name[digit] >= '0' && name[digit] <= '9' && name[digit + 1] == '\0';
}

template <std::size_t count>
constexpr bool is_score(const Note (&score)[count]) {
    for (std::size_t i = 0; i < count; ++i) {
        if (!is_note_name(score[i].name)) return false;
    }
    return true;
}

// Notes of the same pitch share one name text.
inline constexpr char B3[] = "B3";
inline constexpr char C4[] = "C4";
inline constexpr char D4[] = "D4";
inline constexpr char E4[] = "E4";
inline constexpr char F4[] = "F4";
inline constexpr char Fs4[] = "F#4";
inline constexpr char G4[] = "G4";
inline constexpr char A4[] = "A4";
inline constexpr char B4[] = "B4";
inline constexpr char C5[] = "C5";
inline constexpr char D5[] = "D5";
inline constexpr char E5[] = "E5";
inline constexpr char F5[] = "F5";

// one row per line, as the table is written
// clang-format off
inline constexpr Note tune_1[] = {
    {E4, 1.0f},
    {E4, 1.0f},
    {E4, 2.0f},
    {E4, 1.0f},
    {E4, 1.0f},
    {E4, 2.0f},
    {E4, 1.0f},
    {G4, 1.0f},
    {C4, 1.5f},
    {D4, 0.5f},
    {E4, 4.0f},
    {F4, 1.0f},
    {F4, 1.0f},
    {F4, 1.5f},
    {F4, 0.5f},
    {F4, 1.0f},
    {E4, 1.0f},
    {E4, 1.0f},
    {E4, 0.5f},
    {E4, 0.5f},
    {E4, 1.0f},
    {D4, 1.0f},
    {D4, 1.0f},
    {E4, 1.0f},
    {D4, 2.0f},
    {G4, 2.0f},
    {E4, 1.0f},
    {E4, 1.0f},
    {E4, 2.0f},
    {E4, 1.0f},
    {E4, 1.0f},
    {E4, 2.0f},
    {E4, 1.0f},
    {G4, 1.0f},
    {C4, 1.5f},
    {D4, 0.5f},
    {E4, 4.0f},
    {F4, 1.0f},
    {F4, 1.0f},
    {F4, 1.5f},
    {F4, 0.5f},
    {F4, 1.0f},
    {E4, 1.0f},
    {E4, 1.0f},
    {E4, 0.5f},
    {E4, 0.5f},
    {G4, 1.0f},
    {G4, 1.0f},
    {F4, 1.0f},
    {D4, 1.0f},
    {C4, 4.0f},
};
// clang-format on

// one row per line, as the table is written
// clang-format off
inline constexpr Note tune_2[] = {
    {G4, 1.5f},
    {F4, 0.5f},
    {E4, 1.0f},
    {D4, 1.0f},
    {C4, 1.0f},
    {D4, 1.0f},
    {E4, 1.0f},
    {C4, 1.0f},
    {D4, 0.5f},
    {E4, 0.5f},
    {F4, 0.5f},
    {D4, 0.5f},
    {E4, 1.5f},
    {D4, 0.5f},
    {C4, 1.0f},
    {B3, 1.0f},
    {C4, 2.0f},
    {G4, 1.5f},
    {F4, 0.5f},
    {E4, 1.0f},
    {D4, 1.0f},
    {C4, 1.0f},
    {D4, 1.0f},
    {E4, 1.0f},
    {C4, 1.0f},
    {D4, 0.5f},
    {E4, 0.5f},
    {F4, 0.5f},
    {D4, 0.5f},
    {E4, 1.5f},
    {D4, 0.5f},
    {C4, 1.0f},
    {B3, 1.0f},
    {C4, 2.0f},
    {D4, 1.5f},
    {E4, 0.5f},
    {F4, 1.0f},
    {D4, 1.0f},
    {E4, 1.5f},
    {F4, 0.5f},
    {G4, 1.0f},
    {D4, 1.0f},
    {E4, 0.5f},
    {Fs4, 0.5f},
    {G4, 1.0f},
    {A4, 0.5f},
    {B4, 0.5f},
    {C5, 1.0f},
    {B4, 1.0f},
    {A4, 1.0f},
    {G4, 2.0f},
    {G4, 1.5f},
    {F4, 0.5f},
    {E4, 1.0f},
    {D4, 1.0f},
    {C4, 1.0f},
    {D4, 1.0f},
    {E4, 1.0f},
    {C4, 1.0f},
    {A4, 0.5f},
    {A4, 0.5f},
    {A4, 0.5f},
    {A4, 0.5f},
    {G4, 1.5f},
    {F4, 0.5f},
    {E4, 1.0f},
    {D4, 1.0f},
    {C4, 2.0f},
};
// clang-format on

// one row per line, as the table is written
// clang-format off
inline constexpr Note tune_3[] = {
    {G4, 1.0f},
    {C5, 1.0f},
    {C5, 0.5f},
    {D5, 0.5f},
    {C5, 0.5f},
    {B4, 0.5f},
    {A4, 1.0f},
    {A4, 1.0f},
    {A4, 1.0f},
    {D5, 1.0f},
    {D5, 0.5f},
    {E5, 0.5f},
    {D5, 0.5f},
    {C5, 0.5f},
    {B4, 1.0f},
    {G4, 1.0f},
    {G4, 1.0f},
    {E5, 1.0f},
    {E5, 0.5f},
    {F5, 0.5f},
    {E5, 0.5f},
    {D5, 0.5f},
    {C5, 1.0f},
    {A4, 1.0f},
    {G4, 0.5f},
    {G4, 0.5f},
    {A4, 1.0f},
    {D5, 1.0f},
    {B4, 1.0f},
    {C5, 3.0f},
};
// clang-format on
static_assert(is_score(tune_1) && is_score(tune_2) && is_score(tune_3),
              "every note name is a letter A-G, an optional '#' and one octave digit");

}  // namespace music
