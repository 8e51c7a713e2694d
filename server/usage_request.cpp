#include "server/usage_request.h"

namespace qvx::server {

UsageCheck CheckUsageReport(const std::optional<std::string>& macIn,
                            const std::optional<std::string>& deviceType) {
    if (!macIn) {
        return {std::nullopt, "MAC_in missing"};
    }
    if (macIn->size() > kMaxMacTextLength) {
        return {std::nullopt, "MAC_in too long"};
    }
    for (char c : *macIn) {
        const auto u = static_cast<unsigned char>(c);
        if (u < 0x20 || u > 0x7E) {
            return {std::nullopt, "MAC_in holds a character that is not printable ASCII"};
        }
    }
    const auto first = macIn->find_first_not_of(' ');
    if (first == std::string::npos) {
        return {std::nullopt, "MAC_in empty"};
    }
    if (!deviceType) {
        return {std::nullopt, "devicetype missing"};
    }
    if (*deviceType != kDeviceType) {
        return {std::nullopt, "devicetype must be pc"};
    }
    const auto last = macIn->find_last_not_of(' ');
    return {UsageReport{macIn->substr(first, last - first + 1), *deviceType}, {}};
}

std::string EscapeBlanksInRequestTarget(const std::string& requestLine) {
    const auto first = requestLine.find(' ');
    const auto last = requestLine.rfind(' ');
    if (first == std::string::npos || first == last) {
        return requestLine;
    }
    if (requestLine.compare(last + 1, 5, "HTTP/") != 0 || first == 0) {
        return requestLine;
    }
    std::string line = requestLine.substr(0, first + 1);
    for (std::size_t i = first + 1; i < last; ++i) {
        if (requestLine[i] == ' ') {
            line += "%20";
        } else {
            line += requestLine[i];
        }
    }
    line += requestLine.substr(last);
    return line;
}

std::string NormaliseRequestHead(const std::string& head) {
    const auto lineEnd = head.find("\r\n");
    if (lineEnd == std::string::npos) {
        return head;
    }
    std::string result =
        EscapeBlanksInRequestTarget(head.substr(0, lineEnd)) + head.substr(lineEnd);
    std::string lower = result;
    for (char& c : lower) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    const bool hasLength = lower.find("\r\ncontent-length:") != std::string::npos ||
                           lower.find("\r\ntransfer-encoding:") != std::string::npos;
    const auto blank = result.rfind("\r\n\r\n");
    if (!hasLength && blank != std::string::npos) {
        result.insert(blank + 2, "Content-Length: 0\r\n");
    }
    return result;
}

}  // namespace qvx::server
