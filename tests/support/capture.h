// Captures what the plug-in writes through the host for one test scope.
#pragma once

#include <string>

#include "host/orshhost/orshhost_control.h"

namespace vornel::test {

class Capture {
public:
    Capture()
    {
        OrshClearCapture();
        OrshCapture(1);
    }
    ~Capture()
    {
        OrshCapture(0);
        OrshClearCapture();
    }
    Capture(const Capture&) = delete;
    Capture& operator=(const Capture&) = delete;

    std::wstring out() const { return OrshCaptured(1); }
    std::wstring err() const { return OrshCaptured(2); }
    void clear() const { OrshClearCapture(); }
};

}  // namespace vornel::test
