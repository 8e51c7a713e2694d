#pragma once
// Names and small helpers shared by the files of MainForm; not part of its interface.

#include <cstdint>
#include <string>
#include <string_view>

#include "app/form_controls.h"

namespace qvx::app::main_form_detail {

// Registry names, built once so that a tick passes them without building strings.
struct RegNames {
    std::string quorvexKey = "Software\\quorvex";
    std::string runKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
    std::string runValue = "quorvex";
    std::string znhy = "ZNHY";
    std::string pltx = "PLTX";
    std::string kjqd = "KJQD";
    std::string strength = "SetHuYanValue";
    std::string kjsc = "SetKJSCVlaue";
    std::string ljsy = "SetLJSYVlaue";
    std::string zdsc = "SetZDSCVlaue";
    std::string date = "SetNowDateVlaue";
    std::string postServer = "PostServer";
};

const RegNames& Names();

inline constexpr std::uint32_t kStringType = 1;
inline constexpr std::int32_t kRestMinutes = 45;
inline constexpr int kTicksPerMinute = 60;
inline constexpr int kTicksPerSave = 60;
// Label colour RGB(255, 135, 62), red in the low byte.
inline constexpr std::uint32_t kLabelColor = 255u | (135u << 8) | (62u << 16);
inline constexpr const char* kZeroTime = "00:00:00";

// Replaces the label's text only when it differs; the texts the tick writes fit the string's
// own buffer, so no memory is taken.
inline void SetLabelText(LabelControl& label, std::string_view text) {
    if (label.text != text) {
        label.text.assign(text.data(), text.size());
    }
}

// n seconds as the time of day n seconds after midnight, "HH:mm:ss" (wraps every 24 hours).
void FormatClockTime(std::int32_t seconds, char (&out)[8]);

}  // namespace qvx::app::main_form_detail
