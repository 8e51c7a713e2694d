#pragma once

#include <memory>
#include <string>

#include "updlib/module1.h"
#include "updlib/trovapi.h"

namespace qvx::updlib::win32 {

// Owns the Win32 adapters of trovapi; Ports() hands out references valid while this lives.
class Win32TrovapiPorts {
public:
    virtual ~Win32TrovapiPorts() = default;
    virtual TrovapiPorts Ports() = 0;
};

// Owns the Win32 adapters of Module1. Message boxes are titled `programTitle` (UTF-8).
class Win32Module1Ports {
public:
    virtual ~Win32Module1Ports() = default;
    virtual Module1Ports Ports() = 0;
};

std::unique_ptr<Win32TrovapiPorts> MakeWin32TrovapiPorts();
std::unique_ptr<Win32Module1Ports> MakeWin32Module1Ports(const std::string& programTitle);

}  // namespace qvx::updlib::win32
