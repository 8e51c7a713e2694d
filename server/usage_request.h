#pragma once
// What the service accepts from the main program: the usage report's query and the request line
// as the program sends it.

#include <optional>
#include <string>

namespace qvx::server {

// The longest MAC text taken: a PC with many adapters stays far below it (18 bytes each).
inline constexpr std::size_t kMaxMacTextLength = 1024;
inline constexpr const char* kDeviceType = "pc";

struct UsageReport {
    std::string macText;
    std::string deviceType;
};

struct UsageCheck {
    std::optional<UsageReport> report;  // set when valid
    std::string error;                  // why not, when invalid
};

// MAC_in must be present, not blank, at most kMaxMacTextLength bytes of printable ASCII;
// devicetype must be "pc". The MAC text is stored as sent, blanks at both ends removed.
UsageCheck CheckUsageReport(const std::optional<std::string>& macIn,
                            const std::optional<std::string>& deviceType);

// The main program puts the MAC text into the query unencoded, so a request line can carry
// blanks inside its target ("POST /x?MAC_in=A B&devicetype=pc HTTP/1.1"). Returns the line with
// those blanks written as %20, so that a standard parser sees three parts; any other line is
// returned unchanged. The line is given without its CR LF.
std::string EscapeBlanksInRequestTarget(const std::string& requestLine);

// A request head (request line and header lines, up to and including the blank line) made ready
// for the parser: blanks in the target escaped as above, and "Content-Length: 0" added when the
// head names neither a length nor a transfer coding. Such a request has no body, but the parser
// would refuse a POST without a length, and clients posting nothing may leave it out.
std::string NormaliseRequestHead(const std::string& head);

}  // namespace qvx::server
