#pragma once

// The location texts of the trapped handlers, shown in every error report.
namespace olvaris::location {

inline constexpr const char* FormLoad = "in Trennick2021/08/31.Form1.Form_Load ";
inline constexpr const char* FormQueryUnload = "in Trennick2021/08/31.Form1.Form_QueryUnload ";
inline constexpr const char* PushButton1Click = "in Trennick2021/08/31.Form1.PushButton1_Click ";
inline constexpr const char* PushButton3Click = "in Trennick2021/08/31.Form1.PushButton3_Click ";
inline constexpr const char* PushButton5Click = "in Trennick2021/08/31.Form1.PushButton5_Click ";
inline constexpr const char* PushButton2Click = "in Trennick2021/08/31.Form1.PushButton2_Click ";
inline constexpr const char* PushButton13Click = "in Trennick2021/08/31.Form1.PushButton13_Click ";
inline constexpr const char* PushButton4Click = "in Trennick2021/08/31.Form1.PushButton4_Click ";
inline constexpr const char* PushButton6Click = "in Trennick2021/08/31.Form1.PushButton6_Click ";
inline constexpr const char* PushButton7Click = "in Trennick2021/08/31.Form1.PushButton7_Click ";

} // namespace olvaris::location
