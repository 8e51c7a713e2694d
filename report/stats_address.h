#pragma once
// Addresses of the statistics service and the newer-version rule.

#include <string>

#include "base/version.h"

namespace qvx::report {

inline constexpr const char* kOwnVersion = QVX_VERSION_TEXT;

// Registry value under Software\quorvex that names the statistics host (a host name or IPv4
// address, no scheme, no port); missing or unusable text means kDefaultStatsHost.
inline constexpr const char* kStatsHostValueName = "StatsHost";
inline constexpr const char* kDefaultStatsHost = "stats.quorvex.com";

// The host to use for the configured text: trimmed; the default when empty or when it holds
// anything but letters, digits, "." and "-" (so it can neither move the port nor the path).
std::string StatsHost(const std::string& configured);

// "http://" + StatsHost(configured) + ":8091".
std::string StatsBase(const std::string& configured);

std::string VersionUrl(const std::string& base);
// The MAC text goes into the query unchanged, as the service expects it.
std::string UsageUrl(const std::string& base, const std::string& macText);

// Whether the text reads as a number: optional blanks around an optional sign, digits with at
// most one decimal point (at least one digit), and an optional exponent.
bool IsNumeric(const std::string& text);

// A numeric reply that, trimmed of blanks, CR and LF, is greater than the own version as text
// (code-unit order): "1.6" and "2.0" are newer than "1.5", "1.10", "1.5\r\n" and "-1" are not.
bool IsNewerVersion(const std::string& reply, const std::string& ownVersion = kOwnVersion);

}  // namespace qvx::report
