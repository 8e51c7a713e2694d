// Prints the gamma ramp a display holds: 768 words (red, green, blue levels 0-255), one line.
//   qvx_gamma_probe.exe             the screen (the desktop window's device context)
//   qvx_gamma_probe.exe <device>    one display device, e.g. \\.\DISPLAY2
//   qvx_gamma_probe.exe list        the display devices attached to the desktop, one a line
#include <windows.h>

#include <cstdio>
#include <cwchar>

int wmain(int argc, wchar_t** argv) {
    if (argc > 1 && std::wcscmp(argv[1], L"list") == 0) {
        for (DWORD i = 0;; ++i) {
            DISPLAY_DEVICEW device{};
            device.cb = sizeof device;
            if (!EnumDisplayDevicesW(nullptr, i, &device, 0))
                break;
            if (device.StateFlags & DISPLAY_DEVICE_ATTACHED_TO_DESKTOP)
                std::printf("%ls\n", device.DeviceName);
        }
        return 0;
    }
    WORD ramp[3][256] = {};
    BOOL ok = FALSE;
    if (argc > 1) {
        HDC dc = CreateDCW(argv[1], argv[1], nullptr, nullptr);
        if (dc) {
            ok = GetDeviceGammaRamp(dc, ramp);
            DeleteDC(dc);
        }
    } else {
        HDC screen = GetDC(nullptr);
        ok = GetDeviceGammaRamp(screen, ramp);
        ReleaseDC(nullptr, screen);
    }
    if (!ok) {
        std::fprintf(stderr, "GetDeviceGammaRamp failed: %lu\n", GetLastError());
        return 1;
    }
    for (int c = 0; c < 3; ++c) {
        for (int i = 0; i < 256; ++i)
            std::printf("%u%s", ramp[c][i], c == 2 && i == 255 ? "\n" : " ");
    }
    return 0;
}
