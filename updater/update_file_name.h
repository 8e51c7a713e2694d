#pragma once

#include <string>

#include "updlib/text_codec_port.h"

namespace qvx::updater {

// A file name from the update list, checked before anything is fetched or installed.
struct UpdateFileName {
    bool safe = false;
    // Relative path below the work folder and below the program folder, backslashes.
    std::string localPath;
    // Relative address below the server's base URL, forward slashes, every byte of the UTF-8
    // form outside the unreserved URL characters percent-encoded.
    std::string urlPath;
    // Folder part of localPath with its trailing backslash; empty for a plain name.
    std::string folderPart;
};

// A name is refused when it could reach outside the program folder, name a device, or is no
// file name at all: empty, "..", a drive or stream colon, a leading "\" or "/" (absolute or
// UNC), an empty folder step, a trailing separator, a step ending in a dot or a blank, a device
// name (CON, PRN, AUX, NUL, COM1-9, LPT1-9, CONIN$, CONOUT$, with any extension), a control
// character or one of * ? < > | ". Plain sub-folders ("data\words.dat" or "data/words.dat")
// are allowed. Names are in the system code page; the
// check runs on characters, so a double-byte character is never split.
UpdateFileName CheckUpdateFileName(const std::string& name, updlib::TextCodec& text);

}  // namespace qvx::updater
