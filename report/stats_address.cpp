#include "report/stats_address.h"

#include <cctype>

namespace qvx::report {

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

std::string TrimBlanks(const std::string& text) {
    std::size_t begin = 0;
    std::size_t end = text.size();
    while (begin < end && IsBlank(text[begin])) {
        ++begin;
    }
    while (end > begin && IsBlank(text[end - 1])) {
        --end;
    }
    return text.substr(begin, end - begin);
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

}  // namespace

std::string StatsHost(const std::string& configured) {
    std::string host = TrimBlanks(configured);
    if (host.empty() || host.size() > 253) {
        return kDefaultStatsHost;
    }
    for (char c : host) {
        const bool allowed =
            (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || IsDigit(c) || c == '.' || c == '-';
        if (!allowed) {
            return kDefaultStatsHost;
        }
    }
    return host;
}

std::string StatsBase(const std::string& configured) {
    return "http://" + StatsHost(configured) + ":8091";
}

std::string VersionUrl(const std::string& base) {
    return base + "/vmo.api/api/version/Versionpc";
}

std::string UsageUrl(const std::string& base, const std::string& macText) {
    return base + "/vmo.api/api/user/addappUserinfo?MAC_in=" + macText + "&devicetype=pc";
}

bool IsNumeric(const std::string& text) {
    const std::string t = TrimBlanks(text);
    std::size_t i = 0;
    if (i < t.size() && (t[i] == '+' || t[i] == '-')) {
        ++i;
    }
    std::size_t digits = 0;
    while (i < t.size() && IsDigit(t[i])) {
        ++i;
        ++digits;
    }
    if (i < t.size() && t[i] == '.') {
        ++i;
        while (i < t.size() && IsDigit(t[i])) {
            ++i;
            ++digits;
        }
    }
    if (digits == 0) {
        return false;
    }
    if (i < t.size() && (t[i] == 'e' || t[i] == 'E')) {
        ++i;
        if (i < t.size() && (t[i] == '+' || t[i] == '-')) {
            ++i;
        }
        std::size_t expDigits = 0;
        while (i < t.size() && IsDigit(t[i])) {
            ++i;
            ++expDigits;
        }
        if (expDigits == 0) {
            return false;
        }
    }
    return i == t.size();
}

bool IsNewerVersion(const std::string& reply, const std::string& ownVersion) {
    // A line end or blanks around the number are no part of the version. std::string compares
    // char by char as unsigned char: the code-unit order of the texts.
    const std::string version = TrimBlanks(reply);
    return IsNumeric(version) && version > ownVersion;
}

}  // namespace qvx::report
