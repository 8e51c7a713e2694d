// The service's own parsing of a request for an update file, on any bytes: the path resolver
// never leaves its folder nor yields a dot file or the database, a chosen range lies inside
// the file, and a logged target can neither end its field nor its line.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "server/access_log.h"
#include "server/update_files.h"

namespace {

namespace fs = std::filesystem;

// A small folder with the things that must never be served beside the things that may.
struct Folder {
    fs::path top;
    fs::path root;
    Folder() {
        char pattern[] = "/tmp/qvx_fuzz_upd_XXXXXX";
        top = mkdtemp(pattern);
        root = top / "upd";
        fs::create_directories(root / "sub");
        fs::create_directories(root / ".git");
        std::ofstream(root / "a.bin") << "a";
        std::ofstream(root / "sub" / "b.ini") << "b";
        std::ofstream(root / ".git" / "config") << "c";
        std::ofstream(root / ".env") << "e";
        std::ofstream(root / "stats.db") << "d";
        std::ofstream(top / "outside") << "o";
        fs::create_symlink(top / "outside", root / "out");
        fs::create_symlink(root / ".env", root / "env");
    }
    ~Folder() { fs::remove_all(top); }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static Folder folder;
    const std::string text(reinterpret_cast<const char*>(data), size);

    if (const auto file =
            qvx::server::ResolveUpdateFile(folder.root, text, folder.root / "stats.db")) {
        const fs::path base = fs::canonical(folder.root);
        const std::string inside = file->string();
        if (inside.compare(0, base.string().size() + 1, base.string() + "/") != 0 ||
            inside.find("/.") != std::string::npos || file->filename() == "stats.db" ||
            !fs::is_regular_file(*file)) {
            std::abort();
        }
    }

    const std::uint64_t fileSize = size > 0 ? data[0] * 977u : 0;
    const qvx::server::RangeChoice range = qvx::server::ChooseRange(text, fileSize);
    if (range.kind == qvx::server::RangeChoice::kPart &&
        (range.length == 0 || range.first >= fileSize || range.length > fileSize - range.first)) {
        std::abort();
    }

    for (const char c : qvx::server::EscapeForLog(text)) {
        if (c < 0x20 || c > 0x7E || c == '"') {
            std::abort();
        }
    }
    return 0;
}
