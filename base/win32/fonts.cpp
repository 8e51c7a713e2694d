#include "base/win32/fonts.h"

#include <windows.h>

#include <cwchar>

#include "base/win32/scoped.h"

namespace qvx::base::win32 {

namespace {

int CALLBACK FaceFound(const LOGFONTW*, const TEXTMETRICW*, DWORD, LPARAM found) {
    *reinterpret_cast<bool*>(found) = true;
    return 0;
}

}  // namespace

bool FaceInstalled(const std::wstring& face) {
    LOGFONTW wanted{};
    wanted.lfCharSet = DEFAULT_CHARSET;
    wcsncpy_s(wanted.lfFaceName, LF_FACESIZE, face.c_str(), _TRUNCATE);
    bool found = false;
    const WindowDc screen(nullptr);
    EnumFontFamiliesExW(screen.Get(), &wanted, FaceFound, reinterpret_cast<LPARAM>(&found), 0);
    return found;
}

std::wstring ChineseUiFace(const std::wstring& otherwise) {
    // Most similar first; the Chinese and the English names of a face are both asked for, since
    // a system lists a face under one of them.
    static const wchar_t* const kFaces[] = {L"微软雅黑",
                                            L"Microsoft YaHei",
                                            L"Microsoft YaHei UI",
                                            L"WenQuanYi Micro Hei",
                                            L"文泉驿微米黑",
                                            L"Noto Sans CJK SC",
                                            L"SimHei",
                                            L"SimSun",
                                            L"宋体"};
    for (const wchar_t* face : kFaces) {
        if (FaceInstalled(face)) {
            return face;
        }
    }
    return otherwise;
}

}  // namespace qvx::base::win32
