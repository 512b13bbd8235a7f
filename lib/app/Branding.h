#pragma once

// Every name and address the program shows about its maker, in one place.
namespace olvaris::branding {

inline constexpr const char* ProductName = "Olvaris";
inline constexpr const char* SettingsApplicationKey = "Tarvendel";
inline constexpr const char* SettingsSection = "Olvaris";
inline constexpr const char* HomePage = "https://www.tarvendel.example/";
inline constexpr const char* ContactPage = "https://www.tarvendel.example/contact/";
inline constexpr const char* SupportAddress = "support@tarvendel.example";

} // namespace olvaris::branding
