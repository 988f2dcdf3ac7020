#pragma once
// The hourglass while a long operation runs in the window's thread: set for the object's life,
// where there is a screen to show it on (driver printing also runs without one).

namespace pg {

class TBusyCursor {
public:
    TBusyCursor();
    ~TBusyCursor();
    TBusyCursor(const TBusyCursor&) = delete;
    TBusyCursor& operator=(const TBusyCursor&) = delete;

private:
    bool active_;
};

} // namespace pg
