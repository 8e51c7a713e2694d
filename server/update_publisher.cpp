#include "server/update_publisher.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <optional>
#include <sstream>

#include "base/ini_text.h"
#include "server/signing/update_signing.h"

namespace qvx::server {

namespace {

namespace fs = std::filesystem;

constexpr const char* kInfoName = "qvxUpgraded.ini";
constexpr const char* kMarker = "Quorvex_Soft_qvxUpgraded";

struct Options {
    std::string keyPath;
    std::string programVersion;
    std::string entriesVersion;
    std::string outDir;
    std::vector<std::string> files;
};

std::string Lower(std::string_view text) {
    std::string lower(text);
    for (char& c : lower) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return lower;
}

std::string_view Trim(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) {
        text.remove_prefix(1);
    }
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r')) {
        text.remove_suffix(1);
    }
    return text;
}

// The updater compares versions as decimal numbers.
bool IsVersion(const std::string& text) {
    std::size_t digits = 0;
    std::size_t dots = 0;
    for (char c : text) {
        if (c >= '0' && c <= '9') {
            ++digits;
        } else if (c == '.' && dots == 0 && digits > 0) {
            ++dots;
        } else {
            return false;
        }
    }
    return digits > 0 && text.back() != '.';
}

// The list name of a file given relative to the current folder: its steps joined by "\".
std::optional<std::string> ListName(const std::string& path) {
    const fs::path relative(path);
    if (path.empty() || relative.is_absolute()) {
        return std::nullopt;
    }
    std::string name;
    for (const fs::path& step : relative.lexically_normal()) {
        const std::string text = step.string();
        if (text.empty() || text == "." || text == ".." || text.find('\\') != std::string::npos) {
            return std::nullopt;
        }
        name += (name.empty() ? "" : "\\") + text;
    }
    return name.empty() ? std::nullopt : std::optional(name);
}

bool ParseOptions(const std::vector<std::string>& args, Options& options, std::string& error) {
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        std::string* target = arg == "--key"               ? &options.keyPath
                              : arg == "--program-version" ? &options.programVersion
                              : arg == "--entries-version" ? &options.entriesVersion
                              : arg == "--out"             ? &options.outDir
                                                           : nullptr;
        if (target != nullptr) {
            if (i + 1 >= args.size()) {
                error = arg + " needs a value";
                return false;
            }
            *target = args[++i];
        } else if (arg.rfind("--", 0) == 0) {
            error = "unknown option " + arg;
            return false;
        } else {
            options.files.push_back(arg);
        }
    }
    if (options.keyPath.empty() || options.outDir.empty()) {
        error = "--key and --out are required";
    } else if (!IsVersion(options.programVersion) || !IsVersion(options.entriesVersion)) {
        error = "--program-version and --entries-version must be decimal numbers";
    } else if (options.files.empty()) {
        error = "no files to publish";
    }
    return error.empty();
}

// Written beside the target and renamed over it, so a client never fetches half a file.
bool WriteWhole(const fs::path& path, std::string_view bytes) {
    const fs::path temp = path.string() + ".tmp";
    {
        std::ofstream out(temp, std::ios::binary | std::ios::trunc);
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        if (!out.flush()) {
            return false;
        }
    }
    std::error_code ec;
    fs::rename(temp, path, ec);
    return !ec;
}

bool ReadWhole(const std::string& path, std::string& bytes) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    bytes = text.str();
    return static_cast<bool>(in) || in.eof();
}

// Why a template cannot become the information file, or "" when it can. Its hash sections are
// the publisher's alone: a line naming either of them in any form (another case, blanks, no
// closing bracket) could be taken by some reader for the start of the computed ones. And a line
// that opens a section without closing it is read differently by different INI readers.
std::string TemplateProblem(std::string_view templateText) {
    std::string problem;
    base::ForEachIniLine(templateText, [&](std::string_view, std::string_view rawLine) {
        const std::string_view line = base::IniTrim(rawLine);
        std::string squeezed;
        for (char c : Lower(line)) {
            if (c != ' ' && c != '\t') {
                squeezed += c;
            }
        }
        if (problem.empty() && (squeezed.find("[filehash") != std::string::npos ||
                                squeezed.find("[filesize") != std::string::npos)) {
            problem = "the template may not name [FileHash] or [FileSize]: " + std::string(line);
        } else if (problem.empty() && line.starts_with('[') &&
                   line.find(']') == std::string_view::npos) {
            problem = "a section line of the template has no closing ]: " + std::string(line);
        }
    });
    return problem;
}

}  // namespace

std::string BuildInfoFile(std::string_view templateText, const std::string& programVersion,
                          const std::string& entriesVersion,
                          const std::vector<PublishedFile>& files) {
    const std::string info = std::string("[Info]\r\nInfoStr=") + kMarker +
                             "\r\nExeVerM=" + programVersion + "\r\nExeVerZ=" + entriesVersion +
                             "\r\n";
    std::string text;
    bool infoWritten = false;
    // Sections are told by the rule the updater reads them with.
    base::ForEachIniLine(templateText, [&](std::string_view section, std::string_view rawLine) {
        const std::string_view line = Trim(rawLine);
        const bool inInfo = base::IniNamesEqual(section, "Info");
        if (base::IniSectionName(line)) {
            if (inInfo && !infoWritten) {
                text += info;
                infoWritten = true;
                return;
            }
        } else if (inInfo) {
            const std::string key = Lower(Trim(line.substr(0, line.find('='))));
            if (key == "infostr" || key == "exeverm" || key == "exeverz") {
                return;  // set above
            }
        }
        if (base::IniNamesEqual(section, "FileHash") || base::IniNamesEqual(section, "FileSize")) {
            return;  // made anew below
        }
        text += std::string(line) + "\r\n";
    });
    if (!infoWritten) {
        text = info + text;
    }
    text += "[FileHash]\r\n";
    for (const PublishedFile& file : files) {
        text += file.name + "=" + file.sha256 + "\r\n";
    }
    text += "[FileSize]\r\n";
    for (const PublishedFile& file : files) {
        text += file.name + "=" + std::to_string(file.size) + "\r\n";
    }
    return text;
}

int PublishMain(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    Options options;
    std::string error;
    if (!ParseOptions(args, options, error)) {
        err << "quorvex-stats publish: " << error << "\n"
            << "usage: quorvex-stats publish --key PRIVATE.pem --program-version M "
               "--entries-version Z --out DIR FILE...\n";
        return 2;
    }
    const std::optional<signing::SigningKey> key =
        signing::SigningKey::FromPemFile(options.keyPath, error);
    if (!key) {
        err << "quorvex-stats publish: " << error << "\n";
        return 1;
    }

    std::string templateText;
    std::vector<PublishedFile> published;
    std::vector<std::pair<std::string, std::string>> copies;  // from, list name
    for (const std::string& path : options.files) {
        const std::optional<std::string> name = ListName(path);
        if (!name) {
            err << "quorvex-stats publish: " << path
                << ": give files by a path below the current folder\n";
            return 2;
        }
        if (Lower(*name) == Lower(kInfoName)) {
            // The settings file that becomes the next local one is the information file itself.
            if (!ReadWhole(path, templateText)) {
                err << "quorvex-stats publish: cannot read " << path << "\n";
                return 1;
            }
            if (const std::string problem = TemplateProblem(templateText); !problem.empty()) {
                err << "quorvex-stats publish: " << path << ": " << problem << "\n";
                return 2;
            }
            continue;
        }
        PublishedFile file{*name, {}, 0};
        const std::optional<std::string> hash = signing::Sha256HexOfFile(path, file.size);
        if (!hash) {
            err << "quorvex-stats publish: cannot read " << path << "\n";
            return 1;
        }
        file.sha256 = *hash;
        published.push_back(file);
        copies.emplace_back(path, *name);
    }

    const fs::path outDir(options.outDir);
    std::error_code ec;
    fs::create_directories(outDir, ec);
    for (const auto& [from, name] : copies) {
        std::string relative = name;
        std::replace(relative.begin(), relative.end(), '\\', '/');
        const fs::path to = outDir / relative;
        fs::create_directories(to.parent_path(), ec);
        if (!fs::equivalent(from, to, ec)) {
            fs::copy_file(from, to, fs::copy_options::overwrite_existing, ec);
            if (ec) {
                err << "quorvex-stats publish: cannot copy " << from << " to " << to.string()
                    << ": " << ec.message() << "\n";
                return 1;
            }
        }
    }
    const std::string info =
        BuildInfoFile(templateText, options.programVersion, options.entriesVersion, published);
    if (!WriteWhole(outDir / kInfoName, info) ||
        !WriteWhole(outDir / (std::string(kInfoName) + ".sig"), key->Sign(info))) {
        err << "quorvex-stats publish: cannot write into " << options.outDir << "\n";
        return 1;
    }
    out << "published " << published.size() << " file(s) into " << options.outDir << "\n";
    return 0;
}

}  // namespace qvx::server
