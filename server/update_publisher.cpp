#include "server/update_publisher.h"

#include <stdio.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstring>
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
    std::string offer;
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
                              : arg == "--offer"           ? &options.offer
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
    } else if (!options.offer.empty() && !IsOfferText(options.offer)) {
        error = "--offer must be a decimal version such as 1.6";
    } else if (options.files.empty()) {
        error = "no files to publish";
    }
    return error.empty();
}

// Into a publication folder that no client sees yet, so no temporary name is needed.
bool WriteFile(const fs::path& path, std::string_view bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out.flush());
}

// Where the publications behind `--out DIR` live: DIR is a link to one folder in here, each
// publication complete in its own folder before the link is switched to it.
struct Layout {
    fs::path out;           // DIR, absolute
    fs::path publications;  // DIR.publications beside it
};

Layout LayoutOf(const std::string& outDir) {
    fs::path out = fs::absolute(outDir).lexically_normal();
    if (out.filename().empty()) {
        out = out.parent_path();
    }
    return {out, out.parent_path() / (out.filename().string() + ".publications")};
}

bool Inside(const fs::path& file, const fs::path& folder) {
    std::error_code ec;
    const fs::path f = fs::weakly_canonical(file, ec);
    const fs::path d = fs::weakly_canonical(folder, ec);
    const auto [end, rest] = std::mismatch(d.begin(), d.end(), f.begin(), f.end());
    return !ec && end == d.end();
}

// A new numbered folder for the next publication.
std::optional<fs::path> NewPublicationFolder(const fs::path& publications) {
    std::error_code ec;
    fs::create_directories(publications, ec);
    unsigned long next = 1;
    for (const fs::directory_entry& entry : fs::directory_iterator(publications, ec)) {
        const std::string name = entry.path().filename().string();
        unsigned long number = 0;
        const auto [end, error] = std::from_chars(name.data(), name.data() + name.size(), number);
        if (error == std::errc() && end == name.data() + name.size()) {
            next = std::max(next, number + 1);
        }
    }
    for (int tries = 0; tries < 100; ++tries, ++next) {
        const fs::path folder = publications / std::to_string(next);
        if (fs::create_directory(folder, ec)) {
            return folder;
        }
    }
    return std::nullopt;
}

// Points DIR at the new publication with one rename, so a client sees the old publication or
// the new one and never a mix. A plain folder from before links were used is swapped with the
// link in one step (renameat2 RENAME_EXCHANGE) and kept as the previous publication. Returns
// the previous publication's folder name inside `publications` ("" when none), or nothing.
std::optional<std::string> SwitchTo(const Layout& layout, const fs::path& folder,
                                    std::string& error) {
    std::string linkName = ".";
    linkName += layout.out.filename().string();
    linkName += ".link-";
    linkName += std::to_string(getpid());
    const fs::path link = layout.out.parent_path() / linkName;
    const std::string target =
        layout.publications.filename().string() + "/" + folder.filename().string();
    std::error_code ec;
    fs::remove(link, ec);
    if (symlink(target.c_str(), link.c_str()) != 0) {
        error = "cannot make a link beside " + layout.out.string() + ": " + std::strerror(errno);
        return std::nullopt;
    }
    std::string previous;
    const fs::file_status status = fs::symlink_status(layout.out, ec);
    if (fs::is_symlink(status)) {
        const fs::path was = fs::read_symlink(layout.out, ec);
        if (!ec && was.parent_path().filename() == layout.publications.filename()) {
            previous = was.filename().string();
        }
    }
    if (fs::is_directory(status)) {
        // Folder and link trade places at once; the folder, no longer served, is kept.
        previous = "migrated-" + folder.filename().string();
        if (renameat2(AT_FDCWD, link.c_str(), AT_FDCWD, layout.out.c_str(), RENAME_EXCHANGE) != 0 ||
            rename(link.c_str(), (layout.publications / previous).c_str()) != 0) {
            error = "cannot turn " + layout.out.string() + " into a link: " + std::strerror(errno);
            fs::remove(link, ec);
            return std::nullopt;
        }
        return previous;
    }
    if (fs::exists(status) && !fs::is_symlink(status)) {
        error = layout.out.string() + " is neither a folder nor a link";
        fs::remove(link, ec);
        return std::nullopt;
    }
    if (rename(link.c_str(), layout.out.c_str()) != 0) {
        error = "cannot switch " + layout.out.string() + ": " + std::strerror(errno);
        fs::remove(link, ec);
        return std::nullopt;
    }
    return previous;
}

// The new publication and the previous one (clients may be fetching from it) stay; older ones go.
void RemoveOlder(const fs::path& publications, const std::string& current,
                 const std::string& previous) {
    std::error_code ec;
    std::vector<fs::path> older;
    for (const fs::directory_entry& entry : fs::directory_iterator(publications, ec)) {
        const std::string name = entry.path().filename().string();
        if (name != current && name != previous) {
            older.push_back(entry.path());
        }
    }
    for (const fs::path& path : older) {
        fs::remove_all(path, ec);
    }
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

bool IsOfferText(std::string_view text) {
    return text.size() <= 32 && IsVersion(std::string(text));
}

std::string BuildInfoFile(std::string_view templateText, const std::string& programVersion,
                          const std::string& entriesVersion,
                          const std::vector<PublishedFile>& files, const std::string& offer) {
    std::string info = std::string("[Info]\r\nInfoStr=") + kMarker +
                       "\r\nExeVerM=" + programVersion + "\r\nExeVerZ=" + entriesVersion + "\r\n";
    if (!offer.empty()) {
        info.append(kOfferKey).append("=").append(offer).append("\r\n");
    }
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
            if (key == "infostr" || key == "exeverm" || key == "exeverz" || key == "offer") {
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
               "--entries-version Z [--offer TEXT] --out DIR FILE...\n";
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

    const Layout layout = LayoutOf(options.outDir);
    // The key never enters what is served: not among the files, and not in the folder itself
    // (publishing in place once kept it there, and a folder serves what lies in it).
    std::error_code ec;
    for (const auto& [from, name] : copies) {
        if (fs::equivalent(from, options.keyPath, ec)) {
            err << "quorvex-stats publish: " << from << " is the signing key\n";
            return 2;
        }
    }
    if (Inside(options.keyPath, layout.out) || Inside(options.keyPath, layout.publications)) {
        err << "quorvex-stats publish: the key " << options.keyPath << " lies in " << options.outDir
            << "; keep it outside the update folder\n";
        return 2;
    }
    const std::optional<fs::path> folder = NewPublicationFolder(layout.publications);
    if (!folder) {
        err << "quorvex-stats publish: cannot make a folder in " << layout.publications.string()
            << "\n";
        return 1;
    }
    const auto fail = [&](const std::string& why) {
        fs::remove_all(*folder, ec);
        err << "quorvex-stats publish: " << why << "\n";
        return 1;
    };
    for (const auto& [from, name] : copies) {
        std::string relative = name;
        std::replace(relative.begin(), relative.end(), '\\', '/');
        const fs::path to = *folder / relative;
        fs::create_directories(to.parent_path(), ec);
        fs::copy_file(from, to, fs::copy_options::overwrite_existing, ec);
        if (ec) {
            return fail("cannot copy " + from + " to " + to.string() + ": " + ec.message());
        }
    }
    const std::string info = BuildInfoFile(templateText, options.programVersion,
                                           options.entriesVersion, published, options.offer);
    if (!WriteFile(*folder / kInfoName, info) ||
        !WriteFile(*folder / (std::string(kInfoName) + ".sig"), key->Sign(info))) {
        return fail("cannot write into " + folder->string());
    }
    const std::optional<std::string> previous = SwitchTo(layout, *folder, error);
    if (!previous) {
        return fail(error);
    }
    RemoveOlder(layout.publications, folder->filename().string(), *previous);
    out << "published " << published.size() << " file(s) into " << options.outDir;
    if (!options.offer.empty()) {
        out << ", offering " << options.offer;
    }
    out << "\n";
    return 0;
}

}  // namespace qvx::server
