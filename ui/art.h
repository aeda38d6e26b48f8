// Names of the pictures the windows show. The Win32 backend embeds each as GIF
// resources: art/<name>.gif at 100 %, art/<name>_150.gif and art/<name>_200.gif
// (sizes below at 100 %).
#pragma once

namespace pw::art {
inline constexpr const char* kTitleBar = "titlebar";    // 285 x 19
inline constexpr const char* kBottomBar = "bottombar";  // 285 x 17
inline constexpr const char* kStartUp = "start_up";     // 60 x 19
inline constexpr const char* kStartDown = "start_down";
inline constexpr const char* kStopUp = "stop_up";
inline constexpr const char* kStopDown = "stop_down";
inline constexpr const char* kLogo = "logo";         // 48 x 48
inline constexpr const char* kCloseUp = "close_up";  // 60 x 19
}  // namespace pw::art
