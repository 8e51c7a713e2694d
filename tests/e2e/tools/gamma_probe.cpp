// Prints the gamma ramp the screen holds: 768 words (red, green, blue levels 0-255), one line.
#include <windows.h>

#include <cstdio>

int wmain() {
    WORD ramp[3][256] = {};
    HDC screen = GetDC(nullptr);
    BOOL ok = GetDeviceGammaRamp(screen, ramp);
    ReleaseDC(nullptr, screen);
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
