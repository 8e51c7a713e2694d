#pragma once
// The fonts both programs write Chinese texts in.

#include <string>

namespace qvx::base::win32 {

// Whether the system has a font face of this name.
bool FaceInstalled(const std::wstring& face);

// The face for the Chinese texts: 微软雅黑 where the system has it, else the most similar
// installed Chinese face, else `otherwise`.
std::wstring ChineseUiFace(const std::wstring& otherwise);

}  // namespace qvx::base::win32
